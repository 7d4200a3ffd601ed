#include "theme/slot_verification.h"

#include "platform/directory_listing.h"
#include "theme/file_functions.h"
#include "theme/printable_text.h"
#include "theme/size_text.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <filesystem>

namespace palvex::theme {

namespace {

// The name of the entry of folder that differs from name only in letter case, if any: a
// terminal reads names byte by byte, so such a file is not the slot's.
QString nameInOtherCase(const QString& folder, const QString& name) {
    const QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden |
                                                       QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entry : entries)
        if (entry != name && entry.compare(name, Qt::CaseInsensitive) == 0)
            return entry;
    return {};
}

} // namespace

QString slotStatusName(SlotStatus status) {
    switch (status) {
    case SlotStatus::Ok:
        return QStringLiteral("ok");
    case SlotStatus::Missing:
        return QStringLiteral("missing");
    case SlotStatus::Unreadable:
        return QStringLiteral("unreadable");
    case SlotStatus::TooBig:
        return QStringLiteral("too-big");
    case SlotStatus::TooLarge:
        return QStringLiteral("too-large");
    }
    return {};
}

void SlotFileFinding::refuse(SlotStatus why, const QString& reason) {
    status = why;
    switch (why) {
    case SlotStatus::TooBig:
        problem = QStringLiteral("over %1 kb").arg(formatKb(limits.maxSizeKb));
        break;
    case SlotStatus::TooLarge:
        problem = QStringLiteral("over H:%1 W:%2").arg(limits.maxHeight).arg(limits.maxWidth);
        break;
    default:
        problem = reason;
    }
}

QString findingDetails(const SlotFileFinding& finding) {
    QStringList parts;
    if (finding.bytes)
        parts << formatByteSizeAsKb(*finding.bytes) + QStringLiteral(" kb");
    if (finding.dimensions.isValid())
        parts << QStringLiteral("H:%1 W:%2")
                     .arg(finding.dimensions.height())
                     .arg(finding.dimensions.width());
    const LimitGroup& limits = finding.limits;
    QString details = parts.join(QLatin1Char(' '));
    if (!details.isEmpty())
        details += QStringLiteral(", ");
    details += QStringLiteral("limits %1 kb H:%2 W:%3")
                   .arg(formatKb(limits.maxSizeKb))
                   .arg(limits.maxHeight)
                   .arg(limits.maxWidth);
    if (!finding.problem.isEmpty())
        details += QStringLiteral("; ") + finding.problem;
    return details;
}

SlotFileFinding checkSlotFile(TerminalModel model, int index, const QString& workspaceRoot) {
    const Slot& slot = slotCatalogue(model)[index];
    SlotFileFinding finding;
    finding.index = index;
    finding.label = QString::fromUtf8(slot.label);
    finding.relativePath = QString::fromUtf8(slot.relativePath);
    finding.limits = limitGroup(model, index);

    const QString path = *slotPath(model, index, workspaceRoot);
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path.toStdString(), error);
    if (!fs::exists(status)) {
        const QFileInfo info(path);
        const QString other = nameInOtherCase(info.path(), info.fileName());
        if (!other.isEmpty())
            finding.problem =
                QStringLiteral("%1 is there, but the name must be %2").arg(other, info.fileName());
        return finding;
    }
    if (!fs::is_regular_file(status)) {
        finding.refuse(SlotStatus::Unreadable, QStringLiteral("not a regular file"));
        return finding;
    }
    finding.bytes = fileSize(path);
    if (static_cast<double>(*finding.bytes) / 1024.0 > finding.limits.maxSizeKb)
        finding.refuse(SlotStatus::TooBig);
    else
        finding.status = SlotStatus::Ok;
    return finding;
}

QStringList extraFiles(TerminalModel model, const QString& workspaceRoot) {
    QSet<QString> known;
    for (const Slot& slot : slotCatalogue(model))
        known.insert(QString::fromUtf8(slot.relativePath));
    QStringList extra;
    // Listed by the names' own bytes, links never followed: a name that is not UTF-8 is
    // listed too (with its bytes escaped), where a listing through Qt's decoding would lose it.
    for (const std::string& relative : platform::listFilesBelow(workspaceRoot.toStdString())) {
        const QString name = nameText(relative);
        if (!known.contains(name))
            extra << name;
    }
    extra.sort();
    return extra;
}

} // namespace palvex::theme
