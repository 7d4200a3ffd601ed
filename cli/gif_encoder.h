#pragma once

#include <QByteArray>
#include <QImage>

namespace palvex::cli {

// Writes a picture as a GIF89a file, LZW-compressed; Qt reads GIF but cannot write it. The
// picture is reduced to 256 colours first. A comment, when given, is stored in a comment
// block ahead of the picture.
QByteArray encodeGif(const QImage& picture, const QByteArray& comment = {});

} // namespace palvex::cli
