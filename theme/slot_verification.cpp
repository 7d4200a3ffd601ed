#include "theme/slot_verification.h"

#include "platform/directory_listing.h"
#include "theme/file_functions.h"
#include "theme/picture_structure.h"
#include "theme/printable_text.h"
#include "theme/size_text.h"

#include <QDir>
#include <QFile>
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
    static constexpr struct {
        SlotStatus status;
        const char* name;
    } kNames[] = {
        {SlotStatus::Ok, "ok"},
        {SlotStatus::Missing, "missing"},
        {SlotStatus::Unreadable, "unreadable"},
        {SlotStatus::OverBytes, "over-bytes"},
        {SlotStatus::OverPixels, "over-pixels"},
    };
    for (const auto& entry : kNames)
        if (entry.status == status)
            return QString::fromLatin1(entry.name);
    return {};
}

void SlotFileFinding::refuse(SlotStatus why, const QString& reason) {
    status = why;
    switch (why) {
    case SlotStatus::OverBytes:
        problem = QStringLiteral("over %1 kb").arg(formatKb(limits.maxSizeKb));
        break;
    case SlotStatus::OverPixels:
        problem = QStringLiteral("over ") + dimensionsText(limits.maxHeight, limits.maxWidth);
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
        parts << dimensionsText(finding.dimensions);
    const LimitGroup& limits = finding.limits;
    QString details = parts.join(QLatin1Char(' '));
    if (!details.isEmpty())
        details += QStringLiteral(", ");
    details +=
        QStringLiteral("limits %1 kb %2")
            .arg(formatKb(limits.maxSizeKb), dimensionsText(limits.maxHeight, limits.maxWidth));
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
    if (static_cast<double>(*finding.bytes) / 1024.0 > finding.limits.maxSizeKb) {
        finding.refuse(SlotStatus::OverBytes);
        return finding;
    }
    // The header's height and width and the file's structure, read without decoding a pixel:
    // what a compile can check with no picture reader at hand.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        finding.refuse(SlotStatus::Unreadable, file.errorString());
        return finding;
    }
    const PictureStructure structure =
        readPictureStructure(file, structureFormat(QFileInfo(path).suffix()));
    if (structure.declared.isValid())
        finding.dimensions = structure.declared;
    if (!structure.problem.isEmpty())
        finding.refuse(SlotStatus::Unreadable, structure.problem);
    else if (structure.declared.isValid() && finding.exceedsLimits(structure.declared))
        finding.refuse(SlotStatus::OverPixels);
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
