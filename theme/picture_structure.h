#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <cstdint>

class QIODevice;

namespace palvex::theme {

// What a picture file's own structure says before a pixel is decoded. Qt's readers return a
// partial picture, without an error, for a GIF or BMP cut short, and decode a progressive JPEG
// into a coefficient buffer of its full size whatever the size asked for; both are read from
// the file's structure here instead.
struct PictureStructure {
    QString problem;             // why the file is cut short or damaged; empty when it is whole
    bool cutShort = false;       // the file ends before its structure does
    QSize extent;                // the area the frames cover (GIF); empty when not known
    std::int64_t fixedBytes = 0; // what the decoder holds whatever the output's size
    int scans = 0;               // the scans of a JPEG
    QSize declared;              // the height and width the header declares, frames included
};

// Walks a JPEG's markers, a GIF's blocks or a BMP's pixel data ("jpeg", "gif", "bmp"); other
// formats answer an empty structure. Reads the device once through a small buffer.
PictureStructure readPictureStructure(QIODevice& file, const QByteArray& format);

// The structure's name for a slot file's extension ("jpeg", "gif", "bmp"); empty for another.
QByteArray structureFormat(const QString& suffix);

} // namespace palvex::theme
