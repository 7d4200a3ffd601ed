#include "cli/gif_encoder.h"

#include <unordered_map>

namespace palvex::cli {

namespace {

void putWord(QByteArray& out, int value) {
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

// Variable-width LZW as GIF wants it: codes packed least significant bit first, the table
// cleared when it reaches 4 096 codes.
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
            const int key = (prefix << 8) | byte;
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

QByteArray encodeGif(const QImage& picture, const QByteArray& comment) {
    const QImage indexed =
        picture.format() == QImage::Format_Indexed8
            ? picture
            : picture.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    QByteArray out("GIF89a");
    putWord(out, indexed.width());
    putWord(out, indexed.height());
    out.append(char(0xF7)); // a global palette of 256 colours
    out.append('\0');
    out.append('\0');
    const QList<QRgb> colours = indexed.colorTable();
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < colours.size() ? colours[i] : 0;
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }
    if (!comment.isEmpty()) {
        out.append("\x21\xFE", 2);
        putSubBlocks(out, comment);
    }
    out.append(',');
    putWord(out, 0);
    putWord(out, 0);
    putWord(out, indexed.width());
    putWord(out, indexed.height());
    out.append('\0');
    out.append(char(8));
    QByteArray pixels;
    pixels.reserve(qsizetype(indexed.width()) * indexed.height());
    for (int y = 0; y < indexed.height(); ++y)
        pixels.append(reinterpret_cast<const char*>(indexed.constScanLine(y)), indexed.width());
    putSubBlocks(out, LzwEncoder(8).encode(pixels));
    out.append(';');
    return out;
}

} // namespace palvex::cli
