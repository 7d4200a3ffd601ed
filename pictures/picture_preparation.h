#pragma once

#include <QImage>
#include <QSize>

namespace palvex::pictures {

// The picture at another size: reduced through a Lanczos-3 filter, which keeps edges sharper
// than an area average (a Mitchell cubic for pictures with transparency); enlarged smoothly.
QImage resampled(const QImage& picture, QSize size);

// The size a picture of the given size takes inside box, aspect ratio kept, never enlarged.
QSize sizeWithin(QSize picture, QSize box);

// The picture scaled to sizeWithin(box); with fill, scaled to cover the box exactly and the
// overflow cropped around the centre.
QImage scaledToBox(const QImage& picture, QSize box, bool fill);

// An opaque 24-bit copy; transparent parts lie on white, the terminal's usual ground.
QImage flattenedOnWhite(const QImage& picture);

// The same with every pixel either fully transparent or fully opaque, as GIF has it.
QImage withBinaryAlpha(const QImage& picture);

} // namespace palvex::pictures
