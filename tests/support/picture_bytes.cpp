#include "tests/support/picture_bytes.h"

#include "pictures/gif_writer.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <stdexcept>

namespace palvex::test {

namespace {

void putWord(QByteArray& out, int value) {
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

void putDword(QByteArray& out, quint32 value) {
    putWord(out, int(value & 0xFFFF));
    putWord(out, int(value >> 16));
}

} // namespace

QByteArray gifPicture(int width, int height, int totalBytes) {
    QImage image(width, height, QImage::Format_Indexed8);
    image.setColorCount(256);
    for (int i = 0; i < 256; ++i)
        image.setColor(i, qRgb(i, 255 - i, (i * 7) & 0xFF));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.scanLine(y)[x] = static_cast<uchar>((x / 8 + y / 8) % 4 * 60);
    const QByteArray plain = pictures::writeGif(image);
    if (totalBytes <= 0 || totalBytes == plain.size())
        return plain;
    // A comment block costs 3 bytes plus one per 255 bytes of comment: find its length.
    const int extra = totalBytes - int(plain.size());
    for (int length = std::max(1, extra - 3 - extra / 255 - 1); length <= extra; ++length)
        if (3 + length + (length + 254) / 255 == extra)
            return pictures::writeGif(image, QByteArray(length, 'p'));
    throw std::invalid_argument("no GIF of that many bytes");
}

QByteArray jpegPicture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(30, 120, 200));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 90);
    return bytes;
}

QByteArray monochromeBmp(int width, int height) {
    const int rowBytes = ((width + 31) / 32) * 4;
    const quint32 pixelOffset = 14 + 40 + 8;
    QByteArray out("BM");
    putDword(out, pixelOffset + quint32(rowBytes) * height);
    putDword(out, 0);
    putDword(out, pixelOffset);
    putDword(out, 40);
    putDword(out, quint32(width));
    putDword(out, quint32(height));
    putWord(out, 1);
    putWord(out, 1); // bits per pixel
    putDword(out, 0);
    putDword(out, quint32(rowBytes) * height);
    putDword(out, 2835);
    putDword(out, 2835);
    putDword(out, 2);
    putDword(out, 2);
    putDword(out, 0x00000000);
    putDword(out, 0x00FFFFFF);
    out.append(QByteArray(qsizetype(rowBytes) * height, char(0x55)));
    return out;
}

QString writeBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
    return path;
}

} // namespace palvex::test
