#include "pictures/gif_writer.h"

#include "platform/exception.h"

#include <gif_lib.h>

#include <memory>
#include <optional>
#include <vector>

namespace palvex::pictures {

namespace {

int appendBytes(GifFileType* gif, const GifByteType* data, int length) {
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
    return length;
}

struct GifCloser {
    void operator()(GifFileType* gif) const { EGifCloseFile(gif, nullptr); }
};
struct MapDeleter {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

void check(int status, const char* step) {
    if (status != GIF_OK)
        throw Exception(std::string("GIF writer: ") + step + " failed");
}

std::optional<int> transparentIndex(const QList<QRgb>& colours) {
    for (int i = 0; i < colours.size(); ++i)
        if (qAlpha(colours[i]) < 128)
            return i;
    return std::nullopt;
}

std::unique_ptr<ColorMapObject, MapDeleter> colourMap(const QList<QRgb>& colours) {
    // A GIF palette has a power-of-two size of at least two entries.
    int size = 2;
    while (size < colours.size())
        size *= 2;
    std::vector<GifColorType> entries(size_t(size), GifColorType{0, 0, 0});
    for (int i = 0; i < colours.size(); ++i)
        entries[size_t(i)] = {GifByteType(qRed(colours[i])), GifByteType(qGreen(colours[i])),
                              GifByteType(qBlue(colours[i]))};
    std::unique_ptr<ColorMapObject, MapDeleter> map(GifMakeMapObject(size, entries.data()));
    if (!map)
        throw Exception("GIF writer: no memory for the palette");
    return map;
}

void putTransparency(GifFileType* gif, int index) {
    GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, index};
    GifByteType extension[4];
    const size_t length = EGifGCBToExtension(&control, extension);
    check(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(length), extension), "transparency");
}

void putPixels(GifFileType* gif, const QImage& indexed, std::optional<int> transparent) {
    const QList<QRgb> colours = indexed.colorTable();
    std::vector<GifPixelType> row(size_t(indexed.width()));
    for (int y = 0; y < indexed.height(); ++y) {
        const uchar* line = indexed.constScanLine(y);
        for (int x = 0; x < indexed.width(); ++x) {
            const bool clear =
                transparent && line[x] < colours.size() && qAlpha(colours[line[x]]) < 128;
            row[size_t(x)] = clear ? GifPixelType(*transparent) : line[x];
        }
        check(EGifPutLine(gif, row.data(), indexed.width()), "picture data");
    }
}

} // namespace

QByteArray writeGif(const QImage& indexed, const QByteArray& comment) {
    if (indexed.format() != QImage::Format_Indexed8 || indexed.colorCount() == 0)
        throw Exception("GIF writer: the picture has no palette");
    QByteArray out;
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(EGifOpen(&out, appendBytes, &error));
    if (!gif)
        throw Exception("GIF writer: cannot start");
    EGifSetGifVersion(gif.get(), true);
    const QList<QRgb> colours = indexed.colorTable();
    const auto map = colourMap(colours);
    check(EGifPutScreenDesc(gif.get(), indexed.width(), indexed.height(), map->BitsPerPixel, 0,
                            map.get()),
          "screen");
    if (!comment.isEmpty())
        check(EGifPutComment(gif.get(), comment.constData()), "comment");
    const std::optional<int> transparent = transparentIndex(colours);
    if (transparent)
        putTransparency(gif.get(), *transparent);
    check(EGifPutImageDesc(gif.get(), 0, 0, indexed.width(), indexed.height(), false, nullptr),
          "image");
    putPixels(gif.get(), indexed, transparent);
    // Closing writes the trailer; the closer must not run a second time.
    const int closed = EGifCloseFile(gif.release(), &error);
    check(closed, "trailer");
    return out;
}

} // namespace palvex::pictures
