#include "editor/picture_fitter.h"

#include "editor/gif_writer.h"
#include "editor/jpeg_writer.h"
#include "editor/palette_quantiser.h"
#include "editor/picture_preparation.h"
#include "editor/picture_similarity.h"
#include "editor/size_text.h"
#include "platform/exception.h"

#include <QBuffer>
#include <QFileInfo>

namespace palvex::editor {

namespace {

constexpr int kLowestQuality = 10;
constexpr int kHighestQuality = 100;

QSize shrunk(QSize size) {
    const QSize smaller(int(size.width() * 0.9), int(size.height() * 0.9));
    // Tiny pictures still lose a pixel per step, so the loop always ends.
    return {std::min(smaller.width(), size.width() - 1),
            std::min(smaller.height(), size.height() - 1)};
}

// The highest quality whose JPEG fits, by binary search; nothing when quality 10 does not.
std::optional<std::pair<int, QByteArray>>
bestQuality(const QImage& picture, ChromaSampling sampling,
            const std::function<bool(const QByteArray&)>& fits) {
    QByteArray best = writeJpeg(picture, kLowestQuality, sampling);
    if (!fits(best))
        return std::nullopt;
    int low = kLowestQuality, high = kHighestQuality;
    while (low < high) {
        const int middle = (low + high + 1) / 2;
        QByteArray bytes = writeJpeg(picture, middle, sampling);
        if (fits(bytes)) {
            low = middle;
            best = std::move(bytes);
        } else {
            high = middle - 1;
        }
    }
    return std::make_pair(low, best);
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
    for (QSize size = base.size(); !size.isEmpty(); size = shrunk(size)) {
        const QImage picture = size == base.size() ? base
                                                   : base.scaled(size, Qt::IgnoreAspectRatio,
                                                                 Qt::SmoothTransformation);
        if (auto fitted = encodeWithin(picture))
            return *fitted;
    }
    throw Exception(QStringLiteral("No picture of this format fits within %1 kb")
                        .arg(formatKb(target_.maxKb))
                        .toStdString());
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

// Full colour resolution usually looks better but costs bytes: both are tried, and the one
// closer to the picture wins.
std::optional<FittedPicture> PictureFitter::jpegWithin(const QImage& picture) const {
    const QImage flat = flattenedOnWhite(picture);
    const auto fitsHere = [this](const QByteArray& bytes) {
        return fits(bytes);
    };
    std::optional<FittedPicture> best;
    double bestScore = -1;
    for (const auto& [sampling, name] : {std::pair{ChromaSampling::Full444, "4:4:4"},
                                         std::pair{ChromaSampling::Half420, "4:2:0"}}) {
        const auto found = bestQuality(flat, sampling, fitsHere);
        if (!found)
            continue;
        const double score = similarity(flat, QImage::fromData(found->second, "JPEG"));
        if (score > bestScore) {
            bestScore = score;
            best = FittedPicture{found->second, flat.size(),
                                 QStringLiteral("quality %1, %2").arg(found->first).arg(name)};
        }
    }
    return best;
}

std::optional<FittedPicture> PictureFitter::gifWithin(const QImage& picture) const {
    const QImage prepared = picture.hasAlphaChannel() ? withBinaryAlpha(picture) : picture;
    for (int colours = 256; colours >= 2; colours /= 2) {
        const QImage indexed = quantisePalette(prepared, colours, true);
        if (indexed.isNull())
            throw Exception("The palette of the picture cannot be reduced");
        QByteArray bytes = writeGif(indexed);
        if (fits(bytes))
            return FittedPicture{std::move(bytes), indexed.size(),
                                 QStringLiteral("%1 colours").arg(indexed.colorCount())};
    }
    return std::nullopt;
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

} // namespace palvex::editor
