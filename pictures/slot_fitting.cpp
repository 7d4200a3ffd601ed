#include "pictures/slot_fitting.h"

#include "pictures/picture_file.h"
#include "platform/exception.h"
#include "platform/file_operations.h"
#include "platform/temporary_files.h"
#include "theme/file_functions.h"
#include "theme/size_text.h"

#include <QDir>
#include <QFile>
#include <QImageReader>

namespace palvex::pictures {

using namespace theme;

namespace {

QSize currentPictureSize(const QString& path) {
    if (!existsAsFile(path))
        return {};
    try {
        return loadPicture(path).size();
    } catch (const Exception&) {
        return {};
    }
}

// A photo of 48 megapixels and more exceeds the readers' memory limit (a guard against
// pictures made to exhaust memory). The JPEG reader can decode at 1/2, 1/4 or 1/8 of the size
// in its transform, so such a photo is read at the largest of these within the limit; that is
// still far larger than any slot. Other readers would decode in full first, and stay refused.
void decodeWithinMemoryLimit(QImageReader& reader) {
    const QSize stored = reader.size();
    const qint64 limit = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    const auto bytes = [](QSize size) {
        return qint64(size.width()) * size.height() * 4;
    };
    if (reader.format() != "jpeg" || !stored.isValid() || limit <= 0 || bytes(stored) <= limit)
        return;
    for (int divisor = 2; divisor <= 8; divisor *= 2) {
        // Exactly the decoder's own size, so that no second scaling blurs the picture.
        const QSize decoded((stored.width() + divisor - 1) / divisor,
                            (stored.height() + divisor - 1) / divisor);
        if (bytes(decoded) <= limit) {
            reader.setScaledSize(decoded);
            return;
        }
    }
}

} // namespace

FitTarget slotFitTarget(TerminalModel model, int slot, const QString& workspaceRoot, bool fill) {
    const QString path = slotPath(model, slot, workspaceRoot).value_or(QString());
    const auto format = slotFormatOf(path);
    if (!format)
        throw Exception("The slot has no picture format to fit to");
    const LimitGroup limits = limitGroup(model, slot);
    const QSize maximum(limits.maxWidth, limits.maxHeight);
    const QSize current = currentPictureSize(path);
    const QSize box = current.isEmpty() ? maximum : current.boundedTo(maximum);
    return {*format, box, limits.maxSizeKb, fill};
}

QImage readPictureToFit(const QString& path) {
    // A FIFO or a device would block the reader, or never end.
    if (!platform::isRegularFile(path.toStdString()))
        throw Exception(QStringLiteral("Cannot read the picture %1: it is not a regular file")
                            .arg(QDir::toNativeSeparators(path))
                            .toStdString());
    QImageReader reader(path);
    reader.setAutoTransform(true);
    decodeWithinMemoryLimit(reader);
    QImage picture = reader.read();
    if (picture.isNull())
        throw Exception(QStringLiteral("Cannot read the picture %1: %2")
                            .arg(QDir::toNativeSeparators(path), reader.errorString())
                            .toStdString());
    return picture;
}

QString fittedLine(const QString& name, const FittedPicture& fitted) {
    return QStringLiteral("Fitted %1 : H:%2 W:%3, %4 kb, %5")
        .arg(name)
        .arg(fitted.size.height())
        .arg(fitted.size.width())
        .arg(formatByteSizeAsKb(fitted.bytes.size()), fitted.detail);
}

StagedPicture::StagedPicture(const QString& name, const QByteArray& bytes) {
    const QString temporary = QString::fromStdString(platform::temporaryFolder());
    if (!temporary.isEmpty())
        folder_ = std::make_unique<QTemporaryDir>(temporary + QStringLiteral("fit-XXXXXX"));
    QFile file(folder_ && folder_->isValid() ? folder_->filePath(name) : QString());
    if (!folder_ || !folder_->isValid() || !file.open(QIODevice::WriteOnly) ||
        file.write(bytes) != bytes.size() || !file.flush())
        throw Exception("Cannot write the fitted picture to the temporary folder");
    path_ = file.fileName();
}

} // namespace palvex::pictures
