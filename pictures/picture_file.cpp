#include "pictures/picture_file.h"

#include "pictures/picture_preparation.h"
#include "platform/exception.h"
#include "platform/file_operations.h"
#include "theme/picture_structure.h"
#include "theme/size_text.h"
#include "theme/texts.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <utility>

namespace palvex::pictures {

namespace {

QByteArray slotFormatOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix();
    const QByteArray format = theme::structureFormat(suffix);
    if (format.isEmpty())
        throw Exception(
            QStringLiteral("Unknown picture file extension (.%1)").arg(suffix).toStdString());
    return format;
}

// libjpeg reports damaged or missing data as a warning and goes on with a partial picture; Qt
// passes the warning to the message log only. While a decode runs, its thread's warnings of
// the image readers are kept for it; everything else goes on to the handler installed before.
thread_local QStringList* decodeWarnings = nullptr;
std::atomic<QtMessageHandler> handlerBefore{nullptr};

void keepDecodeWarning(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    // libpng's remarks come as information, libjpeg's as warnings.
    if (decodeWarnings && (type == QtWarningMsg || type == QtInfoMsg) && context.category &&
        QByteArrayView(context.category).startsWith("qt.gui.imageio")) {
        decodeWarnings->append(text);
        return;
    }
    if (const QtMessageHandler before = handlerBefore.load())
        before(type, context, text);
}

class DecodeWarnings {
public:
    DecodeWarnings() {
        static std::once_flag installed;
        std::call_once(installed,
                       [] { handlerBefore = qInstallMessageHandler(keepDecodeWarning); });
        outer_ = std::exchange(decodeWarnings, &warnings_);
    }
    ~DecodeWarnings() { decodeWarnings = outer_; }
    DecodeWarnings(const DecodeWarnings&) = delete;
    DecodeWarnings& operator=(const DecodeWarnings&) = delete;

    QString first() const { return warnings_.value(0); }

    // The first warning that tells of data cut short or damaged; empty when there is none.
    QString damage() const {
        for (const QString& warning : warnings_)
            if (warning.startsWith(QLatin1String("Corrupt")) ||
                warning.startsWith(QLatin1String("Premature end")) ||
                warning.contains(QLatin1String("progression")))
                return warning;
        return {};
    }

private:
    QStringList warnings_;
    QStringList* outer_ = nullptr;
};

theme::PictureStructure structureOf(const QString& path, const QByteArray& format) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(file.errorString().toStdString());
    return theme::readPictureStructure(file, format);
}

// The size the header declares; raises with the reader's reason when there is none, or with
// the structure's when the file ends inside its header.
QSize headerSize(QImageReader& reader, const QString& path) {
    const DecodeWarnings warnings;
    const QSize size = reader.size();
    if (size.isValid() && !size.isEmpty())
        return size;
    if (const theme::PictureStructure structure = structureOf(path, reader.format());
        structure.cutShort)
        throw Exception(structure.problem.toStdString());
    if (!warnings.first().isEmpty())
        throw Exception(warnings.first().toStdString());
    throw Exception(reader.error() == QImageReader::UnknownError
                        ? theme::texts::kNoDeclaredSize.arg(path).toStdString()
                        : reader.errorString().toStdString());
}

// A FIFO or device would block the decoder for ever, or feed it without end. A file this user
// may not read is named so here: the readers would only call it missing or undecodable.
void requireReadableFile(const QString& path) {
    if (!platform::isRegularFile(path.toStdString()))
        throw Exception(QStringLiteral("%1 is not a regular file").arg(path).toStdString());
    if (!platform::isReadable(path.toStdString()))
        throw Exception(theme::texts::kNoReadPermission.toStdString());
}

// PNG and BMP, which Qt reads itself, named by their first bytes. Unnamed, the format is asked
// of every format plugin in turn, each loaded for the question.
QByteArray builtInFormatOf(const QString& path) {
    QFile file(path);
    const QByteArray head = file.open(QIODevice::ReadOnly) ? file.read(8) : QByteArray();
    if (head.startsWith("\x89PNG\r\n\x1a\n"))
        return "png";
    if (head.startsWith("BM"))
        return "bmp";
    return {};
}

QSize reducedBy(QSize size, int divisor) {
    return {(size.width() + divisor - 1) / divisor, (size.height() + divisor - 1) / divisor};
}

// One picture file opened for decoding: its header and structure read, nothing decoded yet.
class PictureReader {
public:
    // An empty format decides it from the content.
    PictureReader(const QString& path, const QByteArray& format) {
        requireReadableFile(path);
        reader_.setFileName(path);
        if (!format.isEmpty()) {
            reader_.setFormat(format);
            reader_.setAutoDetectImageFormat(false);
            reader_.setDecideFormatFromContent(false);
        }
        header_ = headerSize(reader_, path);
        const int bits = QImage::toPixelFormat(reader_.imageFormat()).bitsPerPixel();
        bytesPerPixel_ = std::max(4, (bits + 7) / 8);
        structure_ = structureOf(path, reader_.format());
        if (!structure_.problem.isEmpty())
            throw Exception(structure_.problem.toStdString());
    }

    // What the decoder produces unless asked for a reduction.
    QSize header() const { return header_; }
    // The height and width the file declares: a GIF's frames may reach beyond its header's.
    QSize declared() const { return header_.expandedTo(structure_.extent); }
    bool isJpeg() const { return reader_.format() == "jpeg"; }
    void setAutoTransform() { reader_.setAutoTransform(true); }

    // What decoding at the given size takes: the picture, in at least 32 bits a pixel as the
    // program goes on with it, and what the decoder holds besides (a GIF's frames may reach
    // beyond its declared screen).
    std::int64_t cost(QSize output) const {
        const QSize whole = output == header_ ? declared() : output;
        return std::int64_t(whole.width()) * whole.height() * bytesPerPixel_ +
               structure_.fixedBytes;
    }
    bool withinBudget(QSize output) const {
        return decodeBudget() == 0 || cost(output) <= decodeBudget();
    }

    QImage read(QSize output) {
        if (!withinBudget(output)) {
            constexpr double kMegabyte = 1024.0 * 1024.0;
            throw Exception(theme::texts::kOverDecodeBudget.arg(theme::dimensionsText(declared()))
                                .arg(std::ceil(double(cost(output)) / kMegabyte), 0, 'f', 0)
                                .arg(double(decodeBudget()) / kMegabyte, 0, 'f', 0)
                                .toStdString());
        }
        if (output != header_)
            reader_.setScaledSize(output);
        const DecodeWarnings warnings;
        QImage picture = reader_.read();
        if (picture.isNull())
            throw Exception(reader_.errorString().toStdString());
        if (const QString damage = warnings.damage(); !damage.isEmpty())
            throw Exception(damage.toStdString());
        return picture;
    }

private:
    QImageReader reader_;
    QSize header_;
    int bytesPerPixel_ = 4;
    theme::PictureStructure structure_;
};

} // namespace

std::int64_t decodeBudget() {
    return std::int64_t(QImageReader::allocationLimit()) * 1024 * 1024;
}

QSize declaredSize(const QString& path) {
    const QByteArray format = slotFormatOf(path);
    requireReadableFile(path);
    QImageReader reader(path, format);
    reader.setAutoDetectImageFormat(false);
    reader.setDecideFormatFromContent(false);
    // The frames of a GIF cut short are not all known: its header tells what it can.
    return headerSize(reader, path).expandedTo(structureOf(path, format).extent);
}

QImage loadPicture(const QString& path) {
    PictureReader reader(path, slotFormatOf(path));
    return reader.read(reader.header());
}

QImage loadThumbnail(const QString& path, QSize box) {
    PictureReader reader(path, slotFormatOf(path));
    const QSize shown = sizeWithin(reader.header(), box);
    QSize decoded = reader.header();
    for (int divisor = 8; reader.isJpeg() && divisor >= 2; divisor /= 2) {
        const QSize reduced = reducedBy(reader.header(), divisor);
        if (reduced.width() >= shown.width() && reduced.height() >= shown.height()) {
            decoded = reduced;
            break;
        }
    }
    const QImage picture = reader.read(decoded);
    return picture.size() == shown
               ? picture
               : picture.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage readAnyPicture(const QString& path) {
    requireReadableFile(path);
    PictureReader reader(path, builtInFormatOf(path));
    reader.setAutoTransform();
    // The JPEG reader reduces in its transform at no cost: the largest reduction within the
    // budget, exactly the decoder's own size so that no second scaling blurs the picture.
    for (int divisor = 2; reader.isJpeg() && !reader.withinBudget(reader.header()) && divisor <= 8;
         divisor *= 2)
        if (reader.withinBudget(reducedBy(reader.header(), divisor)))
            return reader.read(reducedBy(reader.header(), divisor));
    return reader.read(reader.header());
}

} // namespace palvex::pictures
