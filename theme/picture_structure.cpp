#include "theme/picture_structure.h"

#include "theme/texts.h"

#include <QIODevice>
#include <algorithm>
#include <cstdlib>
#include <limits>
#include <optional>

namespace palvex::theme {

namespace {

// The file's bytes in order through a small buffer, counting what was consumed.
class ByteReader {
public:
    explicit ByteReader(QIODevice& device) : device_(device) {}

    // The next byte, or -1 at the end of the file.
    int next() {
        if (at_ == buffer_.size() && !refill())
            return -1;
        ++consumed_;
        return static_cast<unsigned char>(buffer_[at_++]);
    }
    // False when the file ends first.
    bool skip(std::int64_t count) {
        while (count > 0) {
            if (at_ == buffer_.size() && !refill())
                return false;
            const auto step = std::min<std::int64_t>(count, buffer_.size() - at_);
            at_ += step;
            consumed_ += step;
            count -= step;
        }
        return true;
    }
    std::optional<QByteArray> take(int count) {
        QByteArray out;
        while (out.size() < count) {
            const int byte = next();
            if (byte < 0)
                return std::nullopt;
            out.append(char(byte));
        }
        return out;
    }
    std::int64_t consumed() const { return consumed_; }

private:
    bool refill() {
        buffer_ = device_.read(64 * 1024);
        at_ = 0;
        return !buffer_.isEmpty();
    }

    QIODevice& device_;
    QByteArray buffer_;
    qsizetype at_ = 0;
    std::int64_t consumed_ = 0;
};

int byteAt(const QByteArray& bytes, int at) {
    return static_cast<unsigned char>(bytes[at]);
}
int bigEndian16(const QByteArray& bytes, int at) {
    return byteAt(bytes, at) << 8 | byteAt(bytes, at + 1);
}
int littleEndian16(const QByteArray& bytes, int at) {
    return byteAt(bytes, at) | byteAt(bytes, at + 1) << 8;
}
std::int32_t littleEndian32(const QByteArray& bytes, int at) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(littleEndian16(bytes, at)) |
                                     static_cast<std::uint32_t>(littleEndian16(bytes, at + 2))
                                         << 16);
}

PictureStructure cutShort(const char* format) {
    return {texts::kPrematureEnd.arg(QLatin1String(format)), true, {}, 0, 0, {}};
}
PictureStructure damaged(const char* format, const QString& what) {
    return {texts::kCorruptData.arg(QLatin1String(format), what), false, {}, 0, 0, {}};
}

// ---- JPEG: markers and scans, as libjpeg meets them

constexpr int kSoi = 0xD8, kEoi = 0xD9, kSos = 0xDA;

// A progressive JPEG decodes scan after scan over its whole coefficient buffer: a small file
// of many scans keeps the decoder busy for minutes. Encoders write a few dozen at most.
constexpr int kMaxJpegScans = 100;

struct JpegFrame {
    int width = 0, height = 0;
    bool progressive = false;
    QList<std::pair<int, int>> sampling; // horizontal, vertical factor per component
};

bool isStartOfFrame(int marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// The next marker's code, skipping fill bytes; -1 at the end of the file.
int nextMarker(ByteReader& in) {
    int byte = in.next();
    while (byte >= 0 && byte != 0xFF)
        byte = in.next();
    while (byte == 0xFF)
        byte = in.next();
    return byte;
}

// Past a scan's entropy-coded data to the marker that ends it: stuffed zeros and restart
// markers belong to the data.
int markerAfterScan(ByteReader& in) {
    for (;;) {
        int byte = nextMarker(in);
        if (byte != 0 && (byte < 0xD0 || byte > 0xD7))
            return byte;
    }
}

// The coefficient buffer libjpeg keeps for a progressive or multi-scan JPEG: 64 coefficients
// of 2 bytes per block of every component, rows and columns of blocks rounded up to the
// component's sampling factor.
std::int64_t coefficientBytes(const JpegFrame& frame) {
    int maxH = 1, maxV = 1;
    for (const auto& [h, v] : frame.sampling) {
        maxH = std::max(maxH, h);
        maxV = std::max(maxV, v);
    }
    std::int64_t total = 0;
    for (const auto& [h, v] : frame.sampling) {
        const auto blocks = [](std::int64_t pixels, int factor, int maxFactor) {
            const std::int64_t component = (pixels * factor + maxFactor - 1) / maxFactor;
            const std::int64_t count = (component + 7) / 8;
            return (count + factor - 1) / factor * factor;
        };
        total += blocks(frame.width, h, maxH) * blocks(frame.height, v, maxV) * 64 * 2;
    }
    return total;
}

std::optional<JpegFrame> readFrame(const QByteArray& segment) {
    if (segment.size() < 6)
        return std::nullopt;
    JpegFrame frame;
    frame.height = bigEndian16(segment, 1);
    frame.width = bigEndian16(segment, 3);
    const int components = byteAt(segment, 5);
    if (components < 1 || segment.size() < 6 + 3 * components)
        return std::nullopt;
    for (int i = 0; i < components; ++i) {
        const int factors = byteAt(segment, 6 + 3 * i + 1);
        const int h = factors >> 4, v = factors & 0x0F;
        if (h < 1 || h > 4 || v < 1 || v > 4)
            return std::nullopt;
        frame.sampling.append({h, v});
    }
    return frame;
}

// What the segments up to the end marker say.
struct JpegLayout {
    std::optional<JpegFrame> frame;
    bool multiScan = false;
    int scans = 0;
};

constexpr int kEndOfFile = -1, kBadLength = -2;

// Reads the segment that marker opens (and a scan's data after it) into layout; answers the
// marker that follows, kEndOfFile when the file ends first, kBadLength for a broken length.
int readSegment(ByteReader& in, int marker, JpegLayout& layout) {
    const int high = in.next(), low = in.next();
    if (low < 0)
        return kEndOfFile;
    const int length = high << 8 | low;
    if (length < 2)
        return kBadLength;
    if (!isStartOfFrame(marker) && marker != kSos)
        return in.skip(length - 2) ? nextMarker(in) : kEndOfFile;
    const std::optional<QByteArray> segment = in.take(length - 2);
    if (!segment)
        return kEndOfFile;
    if (isStartOfFrame(marker)) {
        if (!layout.frame && (layout.frame = readFrame(*segment)))
            layout.frame->progressive = (marker & 0x03) == 0x02;
        return nextMarker(in);
    }
    // libjpeg keeps every coefficient when the first scan leaves out a component.
    if (layout.scans++ == 0 && layout.frame && !segment->isEmpty())
        layout.multiScan =
            layout.frame->progressive || byteAt(*segment, 0) < layout.frame->sampling.size();
    return markerAfterScan(in);
}

PictureStructure jpegStructure(ByteReader& in) {
    if (in.next() != 0xFF || in.next() != kSoi)
        return damaged("JPEG", texts::kNoStartOfImage);
    JpegLayout layout;
    int marker = nextMarker(in);
    while (marker >= 0 && marker != kEoi) {
        const bool standalone = marker == 0x01 || (marker >= 0xD0 && marker <= kSoi);
        marker = standalone ? nextMarker(in) : readSegment(in, marker, layout);
    }
    if (marker == kBadLength)
        return damaged("JPEG", texts::kBadSegmentLength);
    if (marker < 0 || layout.scans == 0)
        return cutShort("JPEG");
    if (layout.scans > kMaxJpegScans)
        return damaged("JPEG", texts::kTooManyScans.arg(layout.scans).arg(kMaxJpegScans));
    PictureStructure structure;
    structure.scans = layout.scans;
    if (layout.frame)
        structure.declared = QSize(layout.frame->width, layout.frame->height);
    if (layout.frame && layout.multiScan)
        structure.fixedBytes = coefficientBytes(*layout.frame);
    return structure;
}

// ---- GIF: blocks up to the trailer

bool skipSubBlocks(ByteReader& in) {
    for (;;) {
        const int length = in.next();
        if (length <= 0)
            return length == 0;
        if (!in.skip(length))
            return false;
    }
}

PictureStructure gifStructure(ByteReader& in) {
    const std::optional<QByteArray> header = in.take(13);
    if (!header)
        return cutShort("GIF");
    PictureStructure structure;
    QSize extent(littleEndian16(*header, 6), littleEndian16(*header, 8));
    const auto colourTable = [](int flags) {
        return flags & 0x80 ? 3 << ((flags & 0x07) + 1) : 0;
    };
    if (!in.skip(colourTable(byteAt(*header, 10))))
        return cutShort("GIF");
    for (;;) {
        const int block = in.next();
        if (block == 0x3B)
            break;
        if (block == 0x21) {
            if (in.next() < 0 || !skipSubBlocks(in))
                return cutShort("GIF");
        } else if (block == 0x2C) {
            const std::optional<QByteArray> image = in.take(9);
            if (!image)
                return cutShort("GIF");
            extent = extent.expandedTo({littleEndian16(*image, 0) + littleEndian16(*image, 4),
                                        littleEndian16(*image, 2) + littleEndian16(*image, 6)});
            if (!in.skip(colourTable(byteAt(*image, 8))) || in.next() < 0 || !skipSubBlocks(in))
                return cutShort("GIF");
        } else if (block < 0) {
            return cutShort("GIF");
        } else {
            return damaged("GIF", texts::kUnknownBlock.arg(block, 2, 16, QLatin1Char('0')));
        }
    }
    structure.extent = extent;
    structure.declared = extent;
    return structure;
}

// ---- BMP: the rows the header announces, or the run-length codes up to their end

bool runLengthEnds(ByteReader& in, bool fourBits) {
    for (;;) {
        const int count = in.next(), value = in.next();
        if (value < 0)
            return false;
        if (count > 0)
            continue;
        if (value == 1)
            return true;
        if (value == 2 && !in.skip(2))
            return false;
        if (value >= 3) {
            const int bytes = fourBits ? (value + 1) / 2 : value;
            if (!in.skip(bytes + bytes % 2))
                return false;
        }
    }
}

PictureStructure bmpStructure(ByteReader& in, std::int64_t fileSize) {
    const std::optional<QByteArray> header = in.take(14 + 16);
    if (!header)
        return cutShort("BMP");
    const std::int64_t offset = static_cast<std::uint32_t>(littleEndian32(*header, 10));
    const int infoSize = littleEndian32(*header, 14);
    std::int64_t width = 0, height = 0;
    int bits = 0, compression = 0;
    if (infoSize == 12) {
        width = littleEndian16(*header, 18);
        height = littleEndian16(*header, 20);
        bits = littleEndian16(*header, 24);
    } else {
        const std::optional<QByteArray> rest = in.take(4);
        if (!rest)
            return cutShort("BMP");
        width = std::abs(std::int64_t(littleEndian32(*header, 18)));
        height = std::abs(std::int64_t(littleEndian32(*header, 22)));
        bits = littleEndian16(*header, 28);
        compression = littleEndian32(*rest, 0);
    }
    PictureStructure structure;
    constexpr std::int64_t kLargest = std::numeric_limits<int>::max();
    structure.declared = QSize(int(std::min(width, kLargest)), int(std::min(height, kLargest)));
    if (compression == 1 || compression == 2) {
        if (offset < in.consumed() || !in.skip(offset - in.consumed()) ||
            !runLengthEnds(in, compression == 2))
            return cutShort("BMP");
        return structure;
    }
    // The last row's padding is often left out.
    const std::int64_t row = (width * bits + 31) / 32 * 4;
    const std::int64_t lastRow = (width * bits + 7) / 8;
    const std::int64_t room = fileSize - offset - lastRow;
    if (height > 0 && (room < 0 || (row > 0 && height - 1 > room / row)))
        return cutShort("BMP");
    return structure;
}

} // namespace

PictureStructure readPictureStructure(QIODevice& file, const QByteArray& format) {
    ByteReader in(file);
    if (format == "jpeg")
        return jpegStructure(in);
    if (format == "gif")
        return gifStructure(in);
    if (format == "bmp")
        return bmpStructure(in, file.size());
    return {};
}

QByteArray structureFormat(const QString& suffix) {
    const QString lower = suffix.toLower();
    if (lower == QLatin1String("jpg") || lower == QLatin1String("jpeg"))
        return "jpeg";
    if (lower == QLatin1String("gif"))
        return "gif";
    if (lower == QLatin1String("bmp"))
        return "bmp";
    return {};
}

} // namespace palvex::theme
