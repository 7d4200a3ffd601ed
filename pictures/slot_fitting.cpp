#include "pictures/slot_fitting.h"

#include "pictures/picture_file.h"
#include "platform/exception.h"
#include "platform/temporary_files.h"
#include "theme/file_functions.h"
#include "theme/size_text.h"

#include <QDir>
#include <QFile>

namespace palvex::pictures {

using namespace theme;

namespace {

QSize currentPictureSize(const QString& path) {
    if (!existsAsFile(path))
        return {};
    try {
        return declaredSize(path);
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
    try {
        return readAnyPicture(path);
    } catch (const Exception& error) {
        throw Exception(QStringLiteral("Cannot read the picture %1: %2")
                            .arg(QDir::toNativeSeparators(path), QString::fromUtf8(error.what()))
                            .toStdString());
    }
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
