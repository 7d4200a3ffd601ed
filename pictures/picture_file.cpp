#include "pictures/picture_file.h"

#include "platform/exception.h"
#include "platform/file_operations.h"

#include <QFileInfo>
#include <QImageReader>

namespace palvex::pictures {

namespace {

QByteArray formatForExtension(const QString& suffix) {
    const QString lower = suffix.toLower();
    if (lower == QLatin1String("jpg") || lower == QLatin1String("jpeg"))
        return "jpeg";
    if (lower == QLatin1String("gif"))
        return "gif";
    if (lower == QLatin1String("bmp"))
        return "bmp";
    return {};
}

} // namespace

QImage loadPicture(const QString& path) {
    const QString suffix = QFileInfo(path).suffix();
    const QByteArray format = formatForExtension(suffix);
    if (format.isEmpty())
        throw Exception(
            QStringLiteral("Unknown picture file extension (.%1)").arg(suffix).toStdString());
    // A FIFO or device would block the decoder for ever, or feed it without end.
    if (!platform::isRegularFile(path.toStdString()))
        throw Exception(QStringLiteral("%1 is not a regular file").arg(path).toStdString());
    QImageReader reader(path, format);
    reader.setAutoDetectImageFormat(false);
    reader.setDecideFormatFromContent(false);
    QImage picture = reader.read();
    if (picture.isNull())
        throw Exception(reader.errorString().toStdString());
    return picture;
}

} // namespace palvex::pictures
