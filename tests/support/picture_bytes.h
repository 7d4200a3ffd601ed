#pragma once

#include <QByteArray>
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

// Writes bytes to a file, creating its folders; returns the path.
QString writeBytes(const QString& path, const QByteArray& bytes);

} // namespace palvex::test
