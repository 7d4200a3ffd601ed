#include "pictures/picture_preparation.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace palvex::pictures {

namespace {

// A reduction filter: its weight at a distance (in target pixels) and how far it reaches.
struct Kernel {
    double (*weight)(double);
    double radius;
};

double sinc(double x) {
    if (x == 0)
        return 1;
    const double px = M_PI * x;
    return std::sin(px) / px;
}

// Lanczos 3 keeps edges sharp; its negative lobes ring a little beside them.
double lanczos3(double x) {
    return std::abs(x) < 3 ? sinc(x) * sinc(x / 3) : 0;
}

// The Mitchell-Netravali cubic (B = C = 1/3): softer, and rings far less.
double mitchell(double x) {
    x = std::abs(x);
    if (x < 1)
        return (7 * x * x * x - 12 * x * x + 16.0 / 3) / 6;
    if (x < 2)
        return (-7.0 / 3 * x * x * x + 12 * x * x - 20 * x + 32.0 / 3) / 6;
    return 0;
}

// For each target pixel along one axis, the source pixels it draws from and their weights,
// which add up to one: the kernel stretched over the source by the reduction factor.
struct AxisWeights {
    std::vector<int> first, count, offset;
    std::vector<float> weights;
};

AxisWeights axisWeights(int from, int to, Kernel kernel) {
    const double scale = double(from) / to;
    const double support = kernel.radius * scale;
    AxisWeights axis;
    for (int i = 0; i < to; ++i) {
        const double centre = (i + 0.5) * scale;
        const int first = std::max(0, int(std::floor(centre - support)));
        const int last = std::min(from - 1, int(std::ceil(centre + support)));
        axis.first.push_back(first);
        axis.offset.push_back(int(axis.weights.size()));
        double sum = 0;
        std::vector<double> row;
        for (int j = first; j <= last; ++j)
            sum += row.emplace_back(kernel.weight((j + 0.5 - centre) / scale));
        for (double w : row)
            axis.weights.push_back(float(sum != 0 ? w / sum : 1.0 / double(row.size())));
        axis.count.push_back(int(row.size()));
    }
    return axis;
}

// The four channels of one pixel, worked on together in one vector register.
using Channels = float __attribute__((vector_size(16)));

// A filter's negative lobes overshoot: beside an edge a channel can come out below 0, above
// 255 or, for a premultiplied colour, above its pixel's alpha, which no premultiplied pixel may
// be (drawn onto a ground, it would overflow into a speck). So after each pass alpha is kept
// within 0..255 and each colour within 0..alpha.
Channels keptWithinAlpha(Channels pixel) {
    const float alpha = std::clamp(pixel[3], 0.0f, 255.0f);
    return Channels{std::clamp(pixel[0], 0.0f, alpha), std::clamp(pixel[1], 0.0f, alpha),
                    std::clamp(pixel[2], 0.0f, alpha), alpha};
}

// The reduction in two passes, across then down, each costing the filter's width per pixel.
// Pixels are premultiplied ARGB32, read as four channels in memory order, which puts alpha
// last on little-endian machines.
QImage separableReduced(const QImage& source, QSize size, Kernel kernel) {
    static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "the passes read ARGB32 as B, G, R, A bytes");
    const AxisWeights across = axisWeights(source.width(), size.width(), kernel);
    const AxisWeights down = axisWeights(source.height(), size.height(), kernel);
    const size_t width = size_t(size.width());
    std::vector<Channels> middle(width * size_t(source.height()));
    // Each source pixel takes part in several target pixels: it is turned into floats once.
    std::vector<Channels> line(size_t(source.width()));
    for (int y = 0; y < source.height(); ++y) {
        const uchar* bytes = source.constScanLine(y);
        for (Channels& pixel : line) {
            pixel = Channels{float(bytes[0]), float(bytes[1]), float(bytes[2]), float(bytes[3])};
            bytes += 4;
        }
        Channels* out = middle.data() + size_t(y) * width;
        for (size_t x = 0; x < width; ++x) {
            Channels sum{0, 0, 0, 0};
            const float* w = across.weights.data() + across.offset[x];
            const Channels* in = line.data() + across.first[x];
            for (int k = 0; k < across.count[x]; ++k)
                sum += w[k] * in[k];
            out[x] = keptWithinAlpha(sum);
        }
    }
    QImage target(size, QImage::Format_ARGB32_Premultiplied);
    std::vector<Channels> sum(width);
    for (int y = 0; y < size.height(); ++y) {
        std::fill(sum.begin(), sum.end(), Channels{0, 0, 0, 0});
        const float* w = down.weights.data() + down.offset[size_t(y)];
        for (int k = 0; k < down.count[size_t(y)]; ++k) {
            const Channels* in = middle.data() + size_t(down.first[size_t(y)] + k) * width;
            for (size_t x = 0; x < width; ++x)
                sum[x] += w[k] * in[x];
        }
        uchar* out = target.scanLine(y);
        for (size_t x = 0; x < width; ++x, out += 4) {
            const Channels pixel = keptWithinAlpha(sum[x]) + 0.5f;
            for (int c = 0; c < 4; ++c)
                out[c] = uchar(pixel[c]);
        }
    }
    return target;
}

// Whether any pixel is less than opaque: many pictures carry an alpha channel they never use.
bool hasTransparentPixels(const QImage& picture) {
    if (!picture.hasAlphaChannel())
        return false;
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        if (std::any_of(line, line + argb.width(), [](QRgb p) { return qAlpha(p) < 255; }))
            return true;
    }
    return false;
}

} // namespace

QImage resampled(const QImage& original, QSize size) {
    // In full colour: Qt scales a palette picture (a GIF, a palette PNG) back into its palette.
    const bool transparent = hasTransparentPixels(original);
    const QImage picture = original.convertToFormat(
        transparent ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (size.width() >= picture.width() || size.height() >= picture.height())
        return picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // The filter widens with the reduction: an area average takes large reductions down to
    // three times the size first, at a third of the time and a thousandth of similarity.
    const QSize near = size * 3;
    const QImage start = picture.width() > near.width() && picture.height() > near.height()
                             ? picture.scaled(near, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             : picture;
    // A transparent edge is the hardest edge there is, and ringing around it shows on the
    // ground as a halo: pictures with transparency take the gentler filter.
    const QImage reduced =
        separableReduced(start.convertToFormat(QImage::Format_ARGB32_Premultiplied), size,
                         transparent ? Kernel{mitchell, 2} : Kernel{lanczos3, 3});
    return transparent ? reduced : reduced.convertToFormat(QImage::Format_RGB32);
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
