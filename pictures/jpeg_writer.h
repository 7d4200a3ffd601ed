#pragma once

#include <QByteArray>
#include <QImage>

namespace palvex::pictures {

// Colour sampling of a JPEG: full colour resolution, or colour at half width and height.
enum class ChromaSampling { Full444, Half420 };

// Writes a picture as a baseline JPEG (never progressive: the terminal's decoder is old) with
// optimised Huffman tables, through libjpeg. Transparency is dropped onto white. Raises
// palvex::Exception when libjpeg fails.
QByteArray writeJpeg(const QImage& picture, int quality, ChromaSampling sampling);

} // namespace palvex::pictures
