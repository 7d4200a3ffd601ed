#include "tests/support/picture_bytes.h"

#include "pictures/gif_writer.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
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

void putBigEndian(QByteArray& bytes, qsizetype at, quint32 value, int width) {
    for (int i = 0; i < width; ++i)
        bytes[at + i] = char((value >> (8 * (width - 1 - i))) & 0xFF);
}

void putLittleEndian(QByteArray& bytes, qsizetype at, quint32 value, int width) {
    for (int i = 0; i < width; ++i)
        bytes[at + i] = char((value >> (8 * i)) & 0xFF);
}

// PNG's chunk checksum.
quint32 crc32(const char* data, qsizetype length) {
    quint32 crc = 0xFFFFFFFFu;
    for (qsizetype i = 0; i < length; ++i) {
        crc ^= static_cast<unsigned char>(data[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray savedJpeg(int width, int height, bool progressive) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(30, 120, 200));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
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
    return savedJpeg(width, height, false);
}

QByteArray progressiveJpegPicture(int width, int height) {
    return savedJpeg(width, height, true);
}

namespace {

// A bitmap's file and info headers with a black-and-white palette, before its pixel data.
QByteArray twoColourBmpHeader(int width, int height, int bits, int compression, quint32 dataBytes) {
    const quint32 pixelOffset = 14 + 40 + 8;
    QByteArray out("BM");
    putDword(out, pixelOffset + dataBytes);
    putDword(out, 0);
    putDword(out, pixelOffset);
    putDword(out, 40);
    putDword(out, quint32(width));
    putDword(out, quint32(height));
    putWord(out, 1);
    putWord(out, quint16(bits));
    putDword(out, quint32(compression));
    putDword(out, dataBytes);
    putDword(out, 2835);
    putDword(out, 2835);
    putDword(out, 2);
    putDword(out, 2);
    putDword(out, 0x00000000);
    putDword(out, 0x00FFFFFF);
    return out;
}

} // namespace

QByteArray runLengthBmp(int width, int height) {
    QByteArray out = twoColourBmpHeader(width, height, 8, 1, 2); // run-length coded, 8 bits
    out.append("\x00\x01", 2);                                   // the end of the bitmap
    return out;
}

QByteArray declaringSize(QByteArray picture, QSize size) {
    const auto w = quint32(size.width()), h = quint32(size.height());
    if (picture.startsWith("GIF")) {
        putLittleEndian(picture, 6, w, 2);
        putLittleEndian(picture, 8, h, 2);
    } else if (picture.startsWith("BM")) {
        putLittleEndian(picture, 18, w, 4);
        putLittleEndian(picture, 22, h, 4);
    } else if (picture.startsWith("\x89PNG")) {
        putBigEndian(picture, 16, w, 4);
        putBigEndian(picture, 20, h, 4);
        putBigEndian(picture, 29, crc32(picture.constData() + 12, 17), 4);
    } else {
        // A JPEG: the first start-of-frame segment, found by walking the segments.
        for (qsizetype at = 2; at + 9 < picture.size();) {
            const int marker = static_cast<unsigned char>(picture[at + 1]);
            if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                marker != 0xCC) {
                putBigEndian(picture, at + 5, h, 2);
                putBigEndian(picture, at + 7, w, 2);
                return picture;
            }
            at += 2 + (static_cast<unsigned char>(picture[at + 2]) << 8 |
                       static_cast<unsigned char>(picture[at + 3]));
        }
        throw std::invalid_argument("no frame to declare a size in");
    }
    return picture;
}

QByteArray monochromeBmp(int width, int height) {
    const int rowBytes = ((width + 31) / 32) * 4;
    QByteArray out = twoColourBmpHeader(width, height, 1, 0, quint32(rowBytes) * height);
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
