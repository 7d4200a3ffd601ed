#include "editor/slot_fitting.h"

#include "editor/file_functions.h"
#include "editor/picture_file.h"
#include "editor/size_text.h"
#include "platform/exception.h"
#include "platform/temporary_files.h"

#include <QDir>
#include <QFile>
#include <QImageReader>

namespace palvex::editor {

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
    QImageReader reader(path);
    reader.setAutoTransform(true);
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

} // namespace palvex::editor
