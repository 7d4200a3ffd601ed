#include "tests/support/picture_bytes.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <stdexcept>
#include <unordered_map>

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

// Variable-width LZW as GIF wants it, codes packed least significant bit first.
class LzwEncoder {
public:
    explicit LzwEncoder(int minCodeSize) : minCodeSize_(minCodeSize) { reset(); }

    QByteArray encode(const QByteArray& pixels) {
        put(clearCode());
        int prefix = -1;
        for (char c : pixels) {
            const int byte = static_cast<unsigned char>(c);
            if (prefix < 0) {
                prefix = byte;
                continue;
            }
            const auto key = (prefix << 8) | byte;
            if (auto found = table_.find(key); found != table_.end()) {
                prefix = found->second;
                continue;
            }
            put(prefix);
            if (nextCode_ == 4096) {
                put(clearCode());
                reset();
            } else {
                table_[key] = nextCode_++;
                if (nextCode_ > (1 << width_) && width_ < 12)
                    ++width_;
            }
            prefix = byte;
        }
        if (prefix >= 0)
            put(prefix);
        put(clearCode() + 1);
        if (bitCount_ > 0)
            bytes_.append(char(bitBuffer_ & 0xFF));
        return bytes_;
    }

private:
    int clearCode() const { return 1 << minCodeSize_; }
    void reset() {
        table_.clear();
        nextCode_ = clearCode() + 2;
        width_ = minCodeSize_ + 1;
    }
    void put(int code) {
        bitBuffer_ |= quint32(code) << bitCount_;
        bitCount_ += width_;
        while (bitCount_ >= 8) {
            bytes_.append(char(bitBuffer_ & 0xFF));
            bitBuffer_ >>= 8;
            bitCount_ -= 8;
        }
    }

    int minCodeSize_;
    int nextCode_ = 0;
    int width_ = 0;
    std::unordered_map<int, int> table_;
    quint32 bitBuffer_ = 0;
    int bitCount_ = 0;
    QByteArray bytes_;
};

void putSubBlocks(QByteArray& out, const QByteArray& data) {
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray part = data.mid(at, 255);
        out.append(char(part.size()));
        out.append(part);
    }
    out.append('\0');
}

} // namespace

QByteArray gifPicture(int width, int height, int totalBytes) {
    QByteArray out("GIF89a");
    putWord(out, width);
    putWord(out, height);
    out.append(char(0xF7)); // global palette of 256 colours
    out.append('\0');
    out.append('\0');
    for (int i = 0; i < 256; ++i) {
        out.append(char(i));
        out.append(char(255 - i));
        out.append(char((i * 7) & 0xFF));
    }
    QByteArray pixels(qsizetype(width) * height, '\0');
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels[qsizetype(y) * width + x] = char((x / 8 + y / 8) % 4 * 60);

    QByteArray image;
    image.append(',');
    putWord(image, 0);
    putWord(image, 0);
    putWord(image, width);
    putWord(image, height);
    image.append('\0');
    image.append(char(8));
    putSubBlocks(image, LzwEncoder(8).encode(pixels));

    if (totalBytes > 0) {
        // Comment block: 0x21 0xFE, sub-blocks of 1 + length bytes, a 0 terminator.
        int padding = totalBytes - int(out.size() + image.size() + 1) - 3;
        if (padding < 0 || padding == 1)
            throw std::invalid_argument("no GIF of that many bytes");
        QByteArray comment("\x21\xFE", 2);
        while (padding > 0) {
            int block = std::min(padding, 256);
            if (padding - block == 1)
                block -= 2;
            comment.append(char(block - 1));
            comment.append(QByteArray(block - 1, 'p'));
            padding -= block;
        }
        comment.append('\0');
        out.append(comment);
    }
    out.append(image);
    out.append(';');
    return out;
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
