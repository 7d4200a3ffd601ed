#include "pictures/picture_preparation.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <pixman.h>

namespace palvex::pictures {

namespace {

struct PixmanUnref {
    void operator()(pixman_image_t* image) const { pixman_image_unref(image); }
};
using PixmanImage = std::unique_ptr<pixman_image_t, PixmanUnref>;

PixmanImage pixmanView(QImage& picture) {
    return PixmanImage(pixman_image_create_bits(PIXMAN_a8r8g8b8, picture.width(), picture.height(),
                                                reinterpret_cast<uint32_t*>(picture.bits()),
                                                int(picture.bytesPerLine())));
}

// The filter's negative lobes overshoot, and pixman clamps each channel to 0..255 on its own:
// beside an edge a colour can be left above its pixel's alpha, which no premultiplied pixel may
// be. Drawn onto a ground such a pixel overflows into a black or coloured speck.
void keepColourWithinAlpha(QImage& picture) {
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const int alpha = qAlpha(line[x]);
            if (alpha == 255)
                continue;
            line[x] = qRgba(std::min(qRed(line[x]), alpha), std::min(qGreen(line[x]), alpha),
                            std::min(qBlue(line[x]), alpha), alpha);
        }
    }
}

// One direction of a Lanczos-3 reduction through pixman: the filter runs along x or along y
// only, so each pass costs the filter's width per pixel instead of its square.
QImage lanczosPass(QImage source, QSize size, bool alongX) {
    QImage target(size, QImage::Format_ARGB32_Premultiplied);
    const PixmanImage from = pixmanView(source), to = pixmanView(target);
    if (!from || !to)
        return source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const double scale =
        alongX ? double(source.width()) / size.width() : double(source.height()) / size.height();
    const pixman_fixed_t sx = pixman_double_to_fixed(alongX ? scale : 1.0);
    const pixman_fixed_t sy = pixman_double_to_fixed(alongX ? 1.0 : scale);
    pixman_transform_t transform;
    pixman_transform_init_scale(&transform, sx, sy);
    pixman_image_set_transform(from.get(), &transform);
    pixman_image_set_repeat(from.get(), PIXMAN_REPEAT_PAD);
    const pixman_kernel_t reconstructX = alongX ? PIXMAN_KERNEL_BOX : PIXMAN_KERNEL_IMPULSE;
    const pixman_kernel_t sampleX = alongX ? PIXMAN_KERNEL_LANCZOS3 : PIXMAN_KERNEL_BOX;
    const pixman_kernel_t reconstructY = alongX ? PIXMAN_KERNEL_IMPULSE : PIXMAN_KERNEL_BOX;
    const pixman_kernel_t sampleY = alongX ? PIXMAN_KERNEL_BOX : PIXMAN_KERNEL_LANCZOS3;
    int count = 0;
    const std::unique_ptr<pixman_fixed_t, decltype(&std::free)> parameters(
        pixman_filter_create_separable_convolution(&count, sx, sy, reconstructX, reconstructY,
                                                   sampleX, sampleY, 2, 2),
        &std::free);
    pixman_image_set_filter(from.get(), PIXMAN_FILTER_SEPARABLE_CONVOLUTION, parameters.get(),
                            count);
    pixman_image_composite32(PIXMAN_OP_SRC, from.get(), nullptr, to.get(), 0, 0, 0, 0, 0, 0,
                             size.width(), size.height());
    keepColourWithinAlpha(target);
    return target;
}

QImage lanczosReduced(const QImage& picture, QSize size) {
    const QImage source = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage across = lanczosPass(source, {size.width(), source.height()}, true);
    const QImage reduced = lanczosPass(across, size, false);
    return picture.hasAlphaChannel() ? reduced : reduced.convertToFormat(QImage::Format_RGB32);
}

} // namespace

QImage resampled(const QImage& original, QSize size) {
    // In full colour: Qt scales a palette picture (a GIF, a palette PNG) back into its palette.
    const QImage picture = original.convertToFormat(
        original.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (size.width() >= picture.width() || size.height() >= picture.height())
        return picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // The filter widens with the reduction: an area average takes large reductions down to
    // three times the size first, at a third of the time and a thousandth of similarity.
    const QSize near = size * 3;
    const QImage start = picture.width() > near.width() && picture.height() > near.height()
                             ? picture.scaled(near, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             : picture;
    return lanczosReduced(start, size);
}

QSize sizeWithin(QSize picture, QSize box) {
    if (picture.width() <= box.width() && picture.height() <= box.height())
        return picture;
    const QSize scaled = picture.scaled(box, Qt::KeepAspectRatio);
    return {std::max(1, scaled.width()), std::max(1, scaled.height())};
}

QImage scaledToBox(const QImage& picture, QSize box, bool fill) {
    if (!fill) {
        const QSize size = sizeWithin(picture.size(), box);
        return size == picture.size() ? picture : resampled(picture, size);
    }
    // Cropped first, to the part that will cover the box, then scaled: scaling first would
    // make a long thin picture enormous (1 x 20 000 would cover 320 x 210 at 320 x 6.4 million).
    const double scale =
        std::min(double(picture.width()) / box.width(), double(picture.height()) / box.height());
    const QSize part(std::clamp(int(std::lround(box.width() * scale)), 1, picture.width()),
                     std::clamp(int(std::lround(box.height() * scale)), 1, picture.height()));
    const QPoint corner((picture.width() - part.width()) / 2,
                        (picture.height() - part.height()) / 2);
    return resampled(picture.copy(QRect(corner, part)), box);
}

QImage flattenedOnWhite(const QImage& picture) {
    if (!picture.hasAlphaChannel())
        return picture.convertToFormat(QImage::Format_RGB888);
    // Over white a premultiplied channel becomes c + 255 - alpha; clamped, so that a colour
    // above its alpha saturates to white instead of wrapping round to black.
    const QImage premultiplied = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage flat(picture.size(), QImage::Format_RGB888);
    for (int y = 0; y < flat.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(premultiplied.constScanLine(y));
        uchar* to = flat.scanLine(y);
        for (int x = 0; x < flat.width(); ++x, to += 3) {
            const int ground = 255 - qAlpha(from[x]);
            to[0] = uchar(std::min(255, qRed(from[x]) + ground));
            to[1] = uchar(std::min(255, qGreen(from[x]) + ground));
            to[2] = uchar(std::min(255, qBlue(from[x]) + ground));
        }
    }
    return flat;
}

QImage withBinaryAlpha(const QImage& picture) {
    QImage out = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            line[x] = qAlpha(line[x]) < 128 ? 0u : (line[x] | 0xFF000000u);
    }
    return out;
}

} // namespace palvex::pictures
