#include "theme/output_target.h"

#include "platform/file_operations.h"
#include "platform/staged_file.h"
#include "theme/file_functions.h"
#include "theme/texts.h"
#include "theme/workspace_lock.h"

#include <QDir>
#include <QFileInfo>
#include <cstring>

namespace palvex::theme {

namespace {

using platform::EntryKind;

// Where a file written under path lands: its folder with every link resolved, its own name
// as it is (a link there is what gets replaced).
QString landing(const QString& path) {
    const QFileInfo info(QFileInfo(path).absoluteFilePath());
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? info.absoluteFilePath() : QDir(folder).filePath(info.fileName());
}

bool insideWorkspace(const QString& target, const QString& workspace) {
    if (workspace.isEmpty())
        return false;
    const QString root = resolvedPath(workspace);
    // The lock file too: the output renamed over it would go when the lock is let go.
    return target == root || target.startsWith(root + QLatin1Char('/')) ||
           target == landing(lockFileBeside(workspace)) || target == landing(lockFileBeside(root));
}

bool hasSuffix(const QString& name, const QStringList& suffixes) {
    if (suffixes.isEmpty())
        return true;
    for (const QString& suffix : suffixes)
        if (name.size() > suffix.size() && name.endsWith(suffix, Qt::CaseInsensitive))
            return true;
    return false;
}

} // namespace

QString entryKindName(EntryKind kind) {
    switch (kind) {
    case EntryKind::Folder:
        return texts::kAFolder;
    case EntryKind::Fifo:
        return texts::kAFifo;
    case EntryKind::Socket:
        return texts::kASocket;
    case EntryKind::Device:
        return texts::kADevice;
    default:
        return {};
    }
}

std::optional<QString> outputRefusal(const QString& output, const OutputRules& rules) {
    const QString shown = QDir::toNativeSeparators(output);
    const QString target = landing(output);
    const QString kind = entryKindName(platform::entryKind(target.toStdString()));
    if (!kind.isEmpty())
        return texts::kOutputNotRegularFile.arg(shown, kind);
    if (insideWorkspace(target, rules.workspace))
        return texts::kOutputInWorkspace.arg(QDir::toNativeSeparators(rules.workspace));
    for (const QString& input : rules.inputs)
        if (target == resolvedPath(input))
            return texts::kOutputIsInput.arg(shown);
    if (!hasSuffix(QFileInfo(target).fileName(), rules.suffixes))
        return texts::kOutputSuffix.arg(shown, rules.suffixes.join(QStringLiteral(" or ")));
    return std::nullopt;
}

bool writeOutputFile(const QString& output, const QByteArray& bytes, QString* reason) {
    platform::StagedFile file(QFileInfo(output).absoluteFilePath().toStdString());
    if (file.isOpen() && file.write(bytes.constData(), bytes.size()) && file.commit())
        return true;
    if (reason)
        *reason = QString::fromLocal8Bit(std::strerror(file.error()));
    return false;
}

} // namespace palvex::theme
