#pragma once

#include <QByteArray>
#include <QImage>

namespace palvex::pictures {

// Writes an 8-bit indexed picture as a one-frame GIF89a file, not interlaced, through giflib.
// The first palette entry that is more transparent than opaque becomes the transparent
// colour, and every pixel of such an entry takes it. A comment, when given, goes into a
// comment block ahead of the picture. Raises palvex::Exception when giflib fails.
QByteArray writeGif(const QImage& indexed, const QByteArray& comment = {});

} // namespace palvex::pictures
