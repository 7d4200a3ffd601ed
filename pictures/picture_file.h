#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <cstdint>

// Every picture the program decodes is read here, so that each read is bounded and checked the
// same way: the header's declared size is weighed against the readers' memory budget before
// a pixel is decoded, and a file cut short or reported corrupt by its decoder is refused
// instead of giving a partial picture.
namespace palvex::pictures {

// What one decode may take, in bytes: the readers' allocation limit (QImageReader, 128 MB
// unless changed); 0 when that limit is off.
std::int64_t decodeBudget();

// The height and width a picture's header declares, read in the format its extension names;
// nothing is decoded. Raises palvex::Exception when the header cannot be read.
QSize declaredSize(const QString& path);

// Decodes a picture in the format its extension names (".jpg" and ".jpeg" JPEG, ".gif" GIF,
// ".bmp" Windows bitmap, in any letter case); the content is not sniffed. Raises
// palvex::Exception with the reason when the file cannot be decoded whole within the budget.
QImage loadPicture(const QString& path);

// The same picture reduced to fit within box (never enlarged), the full-size picture never
// kept: a JPEG is decoded at the smallest of its 1/2, 1/4, 1/8 reductions that still covers it.
QImage loadThumbnail(const QString& path, QSize box);

// Reads any picture the installed readers know, by its content, turned upright. A baseline JPEG
// over the budget is decoded at the largest of its reductions within it. Raises
// palvex::Exception with the reason when it cannot.
QImage readAnyPicture(const QString& path);

} // namespace palvex::pictures
