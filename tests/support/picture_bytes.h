#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

namespace palvex::test {

// Pictures the tests make themselves, of exact sizes in pixels and, where asked, in bytes.

// A GIF with a 256-colour palette, written by the program's GIF writer. With totalBytes set, a
// comment block pads the file to exactly that many bytes (raises when that size cannot be had).
QByteArray gifPicture(int width, int height, int totalBytes = 0);

// A JPEG written by Qt.
QByteArray jpegPicture(int width, int height);

// A 1-bit Windows bitmap: tiny even for very wide pictures.
QByteArray monochromeBmp(int width, int height);

// A progressive JPEG written by Qt.
QByteArray progressiveJpegPicture(int width, int height);

// An 8-bit run-length Windows bitmap whose pixel data ends at once: a few bytes, whatever its
// size.
QByteArray runLengthBmp(int width, int height);

// The same picture with another height and width in its header (a JPEG's frame, a GIF's
// screen, a PNG's header, a BMP's info header), its data left as it is.
QByteArray declaringSize(QByteArray picture, QSize size);

// Writes bytes to a file, creating its folders; returns the path.
QString writeBytes(const QString& path, const QByteArray& bytes);

} // namespace palvex::test
