#pragma once

#include <QImage>

namespace palvex::pictures {

// Reduces a picture to a palette of at most maxColours (2 to 256) chosen from the picture
// itself, dithered when asked: its own colours, undithered, when it has no more than that;
// else maxColours of them. Answers an 8-bit indexed picture whose colour table holds the
// palette with its alpha; a null picture when the quantiser fails.
QImage quantisePalette(const QImage& picture, int maxColours, bool dither);

} // namespace palvex::pictures
