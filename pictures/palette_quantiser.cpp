#include "pictures/palette_quantiser.h"

#include <libimagequant.h>

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

} // namespace

QImage quantisePalette(const QImage& picture, int maxColours, bool dither) {
    // libimagequant reads RGBA bytes in memory order, which is what RGBA8888 holds.
    const QImage rgba = picture.convertToFormat(QImage::Format_RGBA8888);
    Attributes attributes(liq_attr_create());
    // Speed 8 of 10: photos with millions of colours take a second per palette at the
    // default, a tenth of that here, for a palette hardly worse.
    if (!attributes || liq_set_max_colors(attributes.get(), maxColours) != LIQ_OK ||
        liq_set_speed(attributes.get(), 8) != LIQ_OK)
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
    indexed.setColorTable(coloursOf(*liq_get_palette(result.get())));
    return indexed;
}

} // namespace palvex::pictures
