#pragma once

#include <QImage>
#include <QString>

namespace palvex::pictures {

// Decodes a picture in the format its extension names (".jpg" and ".jpeg" JPEG, ".gif" GIF,
// ".bmp" Windows bitmap, in any letter case); the content is not sniffed. Raises
// palvex::Exception with the reader's message when the file cannot be decoded.
QImage loadPicture(const QString& path);

} // namespace palvex::pictures
