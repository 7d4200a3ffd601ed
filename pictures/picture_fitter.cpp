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
#include <algorithm>
#include <cmath>
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

FittedPicture PictureFitter::fit(const QImage& source) {
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

std::optional<FittedPicture> PictureFitter::encodeWithin(const QImage& picture) {
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

// The highest quality in [lowest, kHighestQuality] at which the picture fits, and its bytes.
// File size grows with quality, so the answer lies between the highest quality known to fit
// and the lowest known not to; each probe goes where the sizes seen so far (on a log scale,
// where they are nearly straight) put the limit, or halfway when that makes slow progress.
// The search starts at the quality of the previous answer, usually close.
std::optional<PictureFitter::Encoded> PictureFitter::highestQualityWithin(const QImage& flat,
                                                                          ChromaSampling sampling,
                                                                          int lowest, int guess) {
    const double limit = std::log(target_.maxKb * 1024.0);
    std::optional<Encoded> fitting;
    int failing = kHighestQuality + 1;
    double fittingLog = 0, failingLog = 0;
    const auto probe = [&](int quality) {
        QByteArray bytes = writeJpeg(flat, quality, sampling);
        const double size = std::log(double(std::max<qsizetype>(bytes.size(), 1)));
        if (fits(bytes)) {
            fitting = Encoded{quality, std::move(bytes)};
            fittingLog = size;
            return true;
        }
        failing = quality;
        failingLog = size;
        return false;
    };
    if (probe(std::clamp(guess, lowest, kHighestQuality))) {
        if (fitting->quality == kHighestQuality || probe(kHighestQuality))
            return fitting;
    } else if (failing == lowest || !probe(lowest)) {
        return std::nullopt;
    }
    bool interpolate = true;
    while (failing - fitting->quality > 1) {
        int quality = (fitting->quality + failing) / 2;
        if (interpolate && failingLog > fittingLog) {
            const double share = (limit - fittingLog) / (failingLog - fittingLog);
            quality = fitting->quality + int(std::lround(share * (failing - fitting->quality)));
            quality = std::clamp(quality, fitting->quality + 1, failing - 1);
        }
        const int span = failing - fitting->quality;
        probe(quality);
        // Interpolation that cut the span by less than half gives way to a halving.
        interpolate = failing - fitting->quality <= span / 2;
    }
    return fitting;
}

// Full colour resolution looks better at the same quality but costs bytes. It is searched
// first; only when it cannot reach a high quality is half resolution searched too (at a
// quality at least as high, since it is smaller), and the one closer to the picture wins.
std::optional<FittedPicture> PictureFitter::jpegWithin(const QImage& picture) {
    constexpr int kHighQuality = 90;
    const QImage flat = flattenedOnWhite(picture);
    const auto full = highestQualityWithin(flat, ChromaSampling::Full444, kLowestQuality,
                                           lastQuality_.value_or(kHighestQuality));
    const auto answer = [&](const Encoded& encoded, const char* sampling) {
        lastQuality_ = encoded.quality;
        return FittedPicture{encoded.bytes, flat.size(),
                             QStringLiteral("quality %1, %2").arg(encoded.quality).arg(sampling)};
    };
    if (full && full->quality >= kHighQuality)
        return answer(*full, "4:4:4");
    const int lowest = full ? full->quality : kLowestQuality;
    const auto half = highestQualityWithin(flat, ChromaSampling::Half420, lowest,
                                           full ? full->quality + 10 : lowest);
    if (!half)
        return full ? std::optional(answer(*full, "4:4:4")) : std::nullopt;
    if (!full || similarity(flat, QImage::fromData(half->bytes, "JPEG")) >
                     similarity(flat, QImage::fromData(full->bytes, "JPEG")))
        return answer(*half, "4:2:0");
    return answer(*full, "4:4:4");
}

std::optional<FittedPicture> PictureFitter::gifWithin(const QImage& picture) {
    // Steps of a quarter or a third: bytes go to colours as long as they fit.
    static constexpr int kColours[] = {256, 192, 128, 96, 64, 48, 32, 24, 16, 12, 8, 6, 4, 3, 2};
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
std::optional<FittedPicture> PictureFitter::bmpWithin(const QImage& picture) {
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
