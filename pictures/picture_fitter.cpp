#include "pictures/picture_fitter.h"

#include "pictures/gif_writer.h"
#include "pictures/jpeg_writer.h"
#include "pictures/palette_quantiser.h"
#include "pictures/picture_preparation.h"
#include "pictures/picture_similarity.h"
#include "platform/exception.h"
#include "theme/size_text.h"

#include <QBuffer>
#include <QFileInfo>
#include <vector>

namespace palvex::pictures {

using namespace theme;

namespace {

constexpr int kLowestQuality = 10;
constexpr int kHighestQuality = 100;

// The sizes of the shrinking steps: the picture's own, then 10% smaller each time, down to a
// pixel. Tiny pictures still lose a pixel per step, so the list always ends.
std::vector<QSize> shrinkingSteps(QSize size) {
    std::vector<QSize> steps;
    for (; !size.isEmpty(); size = QSize(std::min(int(size.width() * 0.9), size.width() - 1),
                                         std::min(int(size.height() * 0.9), size.height() - 1)))
        steps.push_back(size);
    return steps;
}

// The result of the first attempt, in order, that gives one. Later attempts are the easier
// ones to fit (smaller, fewer colours, lower quality), so a binary search finds it in a few
// encodings instead of one per step; every answer it gives did fit.
template <class Attempt>
std::optional<FittedPicture> firstFitting(std::size_t count, const Attempt& attempt) {
    if (count == 0)
        return std::nullopt;
    if (auto first = attempt(0))
        return first;
    std::optional<FittedPicture> best = attempt(count - 1);
    if (!best)
        return std::nullopt;
    std::size_t failing = 0, fitting = count - 1;
    while (fitting - failing > 1) {
        const std::size_t middle = (failing + fitting) / 2;
        if (auto found = attempt(middle)) {
            fitting = middle;
            best = std::move(found);
        } else {
            failing = middle;
        }
    }
    return best;
}

QByteArray bmpBytes(const QImage& picture) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "BMP"))
        throw Exception("BMP writer failed");
    return bytes;
}

} // namespace

std::optional<SlotFormat> slotFormatOf(const QString& fileName) {
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
        return SlotFormat::Jpeg;
    if (suffix == QLatin1String("gif"))
        return SlotFormat::Gif;
    if (suffix == QLatin1String("bmp"))
        return SlotFormat::Bmp;
    return std::nullopt;
}

FittedPicture PictureFitter::fit(const QImage& source) const {
    if (source.isNull() || target_.box.isEmpty())
        throw Exception("There is no picture to fit");
    const QImage base = scaledToBox(source, target_.box, target_.fill);
    const std::vector<QSize> steps = shrinkingSteps(base.size());
    const auto fitted = firstFitting(steps.size(), [&](std::size_t step) {
        return encodeWithin(step == 0 ? base : resampled(base, steps[step]));
    });
    if (!fitted)
        throw Exception(QStringLiteral("No picture of this format fits within %1 kb")
                            .arg(formatKb(target_.maxKb))
                            .toStdString());
    return *fitted;
}

bool PictureFitter::fits(const QByteArray& bytes) const {
    return static_cast<double>(bytes.size()) / 1024.0 <= target_.maxKb;
}

std::optional<FittedPicture> PictureFitter::encodeWithin(const QImage& picture) const {
    switch (target_.format) {
    case SlotFormat::Jpeg:
        return jpegWithin(picture);
    case SlotFormat::Gif:
        return gifWithin(picture);
    case SlotFormat::Bmp:
        return bmpWithin(picture);
    }
    return std::nullopt;
}

// Full colour resolution usually looks better but costs bytes: both are tried at their
// highest quality that fits, and the one closer to the picture wins.
std::optional<FittedPicture> PictureFitter::jpegWithin(const QImage& picture) const {
    const QImage flat = flattenedOnWhite(picture);
    std::optional<FittedPicture> best;
    double bestScore = -1;
    for (const auto& [sampling, name] : {std::pair{ChromaSampling::Full444, "4:4:4"},
                                         std::pair{ChromaSampling::Half420, "4:2:0"}}) {
        const auto found = firstFitting(
            kHighestQuality - kLowestQuality + 1,
            [&, &sampling = sampling,
             &name = name](std::size_t step) -> std::optional<FittedPicture> {
                const int quality = kHighestQuality - int(step);
                QByteArray bytes = writeJpeg(flat, quality, sampling);
                if (!fits(bytes))
                    return std::nullopt;
                return FittedPicture{std::move(bytes), flat.size(),
                                     QStringLiteral("quality %1, %2").arg(quality).arg(name)};
            });
        if (!found)
            continue;
        const double score = similarity(flat, QImage::fromData(found->bytes, "JPEG"));
        if (score > bestScore) {
            bestScore = score;
            best = found;
        }
    }
    return best;
}

std::optional<FittedPicture> PictureFitter::gifWithin(const QImage& picture) const {
    static constexpr int kColours[] = {256, 128, 64, 32, 16, 8, 4, 2};
    const QImage prepared = picture.hasAlphaChannel() ? withBinaryAlpha(picture) : picture;
    return firstFitting(std::size(kColours), [&](std::size_t step) -> std::optional<FittedPicture> {
        const QImage indexed = quantisePalette(prepared, kColours[step], true);
        if (indexed.isNull())
            throw Exception("The palette of the picture cannot be reduced");
        QByteArray bytes = writeGif(indexed);
        if (!fits(bytes))
            return std::nullopt;
        return FittedPicture{std::move(bytes), indexed.size(),
                             QStringLiteral("%1 colours").arg(indexed.colorCount())};
    });
}

// 24 bits when they fit; else 8 bits with a palette made for the picture.
std::optional<FittedPicture> PictureFitter::bmpWithin(const QImage& picture) const {
    const QImage flat = flattenedOnWhite(picture).convertToFormat(QImage::Format_RGB32);
    if (QByteArray bytes = bmpBytes(flat); fits(bytes))
        return FittedPicture{std::move(bytes), flat.size(), QStringLiteral("24-bit")};
    const QImage indexed = quantisePalette(flat, 256, true);
    if (indexed.isNull())
        throw Exception("The palette of the picture cannot be reduced");
    if (QByteArray bytes = bmpBytes(indexed); fits(bytes))
        return FittedPicture{std::move(bytes), flat.size(),
                             QStringLiteral("8-bit, %1 colours").arg(indexed.colorCount())};
    return std::nullopt;
}

} // namespace palvex::pictures
