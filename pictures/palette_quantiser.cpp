#include "pictures/palette_quantiser.h"

#include <libimagequant.h>

#include <QHash>
#include <algorithm>
#include <memory>
#include <vector>

namespace palvex::pictures {

namespace {

template <auto Destroy> struct LiqDeleter {
    template <class T> void operator()(T* object) const { Destroy(object); }
};
using Attributes = std::unique_ptr<liq_attr, LiqDeleter<liq_attr_destroy>>;
using LiqImage = std::unique_ptr<liq_image, LiqDeleter<liq_image_destroy>>;
using LiqResult = std::unique_ptr<liq_result, LiqDeleter<liq_result_destroy>>;

QList<QRgb> coloursOf(const liq_palette& palette) {
    QList<QRgb> colours;
    for (unsigned i = 0; i < palette.count; ++i) {
        const liq_color& c = palette.entries[i];
        colours.append(qRgba(c.r, c.g, c.b, c.a));
    }
    return colours;
}

// The picture with its own colours as the palette, when it has at most maxColours: nothing
// to choose, nothing lost. A null picture when it has more.
QImage withOwnPalette(const QImage& argb, int maxColours) {
    QHash<QRgb, uchar> index;
    QImage indexed(argb.size(), QImage::Format_Indexed8);
    QList<QRgb> colours;
    for (int y = 0; y < argb.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        uchar* to = indexed.scanLine(y);
        for (int x = 0; x < argb.width(); ++x) {
            auto found = index.constFind(from[x]);
            if (found == index.constEnd()) {
                if (colours.size() == maxColours)
                    return {};
                found = index.insert(from[x], uchar(colours.size()));
                colours.append(from[x]);
            }
            to[x] = *found;
        }
    }
    indexed.setColorTable(colours);
    return indexed;
}

int distance(QRgb a, QRgb b) {
    const auto square = [](int d) {
        return d * d;
    };
    return square(qRed(a) - qRed(b)) + square(qGreen(a) - qGreen(b)) + square(qBlue(a) - qBlue(b)) +
           square(qAlpha(a) - qAlpha(b));
}

// libimagequant stops adding colours once its error is below what it deems visible, which a
// dark picture of nearly equal colours reaches long before the number asked for. The palette
// then takes the picture's most frequent other colours up to that number, and each pixel its
// nearest colour, undithered: every pixel is as close as with the quantiser's own remapping.
QImage toppedUp(const QImage& argb, QList<QRgb> palette, int maxColours) {
    QHash<QRgb, int> counts;
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            ++counts[line[x]];
    }
    std::vector<std::pair<int, QRgb>> byCount;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        byCount.emplace_back(-it.value(), it.key());
    std::sort(byCount.begin(), byCount.end());
    for (const auto& [count, colour] : byCount) {
        if (palette.size() == maxColours)
            break;
        if (!palette.contains(colour))
            palette.append(colour);
    }
    QHash<QRgb, uchar> nearest;
    QImage indexed(argb.size(), QImage::Format_Indexed8);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        uchar* to = indexed.scanLine(y);
        for (int x = 0; x < argb.width(); ++x) {
            auto found = nearest.constFind(from[x]);
            if (found == nearest.constEnd()) {
                const auto best =
                    std::min_element(palette.cbegin(), palette.cend(), [&](QRgb a, QRgb b) {
                        return distance(a, from[x]) < distance(b, from[x]);
                    });
                found = nearest.insert(from[x], uchar(best - palette.cbegin()));
            }
            to[x] = *found;
        }
    }
    indexed.setColorTable(palette);
    return indexed;
}

} // namespace

QImage quantisePalette(const QImage& picture, int maxColours, bool dither) {
    const QImage own = withOwnPalette(picture.convertToFormat(QImage::Format_ARGB32), maxColours);
    if (!own.isNull())
        return own;
    // libimagequant reads RGBA bytes in memory order, which is what RGBA8888 holds.
    const QImage rgba = picture.convertToFormat(QImage::Format_RGBA8888);
    Attributes attributes(liq_attr_create());
    // Quality 0 to 100: a palette of every colour asked for, never fewer to meet a target.
    // Speed 7 is the fastest that reads every bit: from 8 on, the lowest bit of each channel
    // is dropped, which merges most colours of a dark picture (a red of 1 becomes 0).
    if (!attributes || liq_set_max_colors(attributes.get(), maxColours) != LIQ_OK ||
        liq_set_quality(attributes.get(), 0, 100) != LIQ_OK ||
        liq_set_min_posterization(attributes.get(), 0) != LIQ_OK ||
        liq_set_speed(attributes.get(), 7) != LIQ_OK)
        return {};
    LiqImage image(
        liq_image_create_rgba(attributes.get(), rgba.constBits(), rgba.width(), rgba.height(), 0));
    liq_result* raw = nullptr;
    if (!image || liq_image_quantize(image.get(), attributes.get(), &raw) != LIQ_OK)
        return {};
    LiqResult result(raw);
    liq_set_dithering_level(result.get(), dither ? 1.0f : 0.0f);

    QImage indexed(rgba.size(), QImage::Format_Indexed8);
    std::vector<unsigned char*> rows(size_t(rgba.height()));
    for (int y = 0; y < rgba.height(); ++y)
        rows[size_t(y)] = indexed.scanLine(y);
    // The palette is final only after the remap.
    if (liq_write_remapped_image_rows(result.get(), image.get(), rows.data()) != LIQ_OK)
        return {};
    const QList<QRgb> palette = coloursOf(*liq_get_palette(result.get()));
    if (palette.size() < maxColours)
        return toppedUp(picture.convertToFormat(QImage::Format_ARGB32), palette, maxColours);
    indexed.setColorTable(palette);
    return indexed;
}

} // namespace palvex::pictures
