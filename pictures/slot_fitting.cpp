#include "pictures/slot_fitting.h"

#include "pictures/picture_file.h"
#include "platform/exception.h"
#include "theme/file_functions.h"
#include "theme/printable_text.h"
#include "theme/size_text.h"
#include "theme/texts.h"

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
    return QStringLiteral("Fitted %1 : %2, %3 kb, %4")
        .arg(name, dimensionsText(fitted.size), formatByteSizeAsKb(fitted.bytes.size()),
             fitted.detail);
}

StagedPicture::StagedPicture(const QString& name, const QByteArray& bytes) {
    folder_ = std::make_unique<platform::TemporaryFolder>("fit");
    if (!*folder_)
        throw Exception(
            theme::texts::kTemporaryFolderFault.arg(theme::printableName(folder_->problem()))
                .toStdString());
    QFile file(QString::fromStdString(folder_->path()) + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
        throw Exception(theme::texts::kTemporaryWriteFault
                            .arg(QDir::toNativeSeparators(file.fileName()), file.errorString())
                            .toStdString());
    path_ = file.fileName();
}

} // namespace palvex::pictures
