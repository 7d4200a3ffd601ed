// Arbitrary bytes as a picture to fit into a small slot, as `fit` reads and fits one: the reader
// refuses what it cannot decode within its budget, and whatever it decodes is fitted within the
// slot's box and limit, never crashing. The first byte picks the slot's format and --fill.
#include "pictures/picture_fitter.h"
#include "pictures/slot_fitting.h"
#include "platform/exception.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace {

const QString& picturePath() {
    static QTemporaryDir folder;
    static const QString path = folder.filePath(QStringLiteral("picture"));
    return path;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Qt's picture readers are plugins, loaded through the application object.
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using palvex::pictures::SlotFormat;
    if (size < 2)
        return 0;
    struct Slot {
        SlotFormat format;
        QSize box;
        double maxKb;
    };
    static constexpr Slot kSlots[] = {
        {SlotFormat::Gif, {55, 55}, 3.0},
        {SlotFormat::Jpeg, {64, 48}, 4.0},
        {SlotFormat::Bmp, {32, 32}, 4.0},
    };
    const Slot& slot = kSlots[data[0] % 3];
    const bool fill = (data[0] & 4) != 0;
    QFile file(picturePath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data + 1), qint64(size - 1)) != qint64(size - 1))
        std::abort();
    file.close();
    try {
        const QImage picture = palvex::pictures::readPictureToFit(picturePath());
        const palvex::pictures::FittedPicture fitted =
            palvex::pictures::PictureFitter({slot.format, slot.box, slot.maxKb, fill}).fit(picture);
        if (fitted.size.isEmpty() || fitted.size.width() > slot.box.width() ||
            fitted.size.height() > slot.box.height() || fitted.bytes.size() > slot.maxKb * 1024) {
            std::fprintf(stderr, "fitted %dx%d, %lld bytes: outside the slot\n",
                         fitted.size.width(), fitted.size.height(),
                         static_cast<long long>(fitted.bytes.size()));
            std::abort();
        }
    } catch (const palvex::Exception&) {
    }
    return 0;
}
