#include "theme/compile_findings.h"

#include "platform/directory_listing.h"
#include "theme/printable_text.h"
#include "theme/slot_verification.h"
#include "theme/texts.h"

#include <QFileInfo>

namespace palvex::theme {

namespace {

QStringList filesBelow(const QString& workspaceRoot) {
    QStringList names;
    for (const std::string& relative : platform::listFilesBelow(workspaceRoot.toStdString()))
        names << nameText(relative);
    return names;
}

QString slotLine(const SlotFileFinding& finding) {
    return texts::kFindingOfSlot.arg(finding.label, finding.relativePath,
                                     slotStatusName(finding.status), findingDetails(finding));
}

} // namespace

int slotFilesAmong(TerminalModel model, const QStringList& relativeNames) {
    int count = 0;
    for (const Slot& slot : slotCatalogue(model))
        count += relativeNames.contains(QString::fromUtf8(slot.relativePath)) ? 1 : 0;
    return count;
}

std::optional<TerminalModel> namesOfOtherModel(TerminalModel model,
                                               const QStringList& relativeNames) {
    const TerminalModel other = otherModel(model);
    if (slotFilesAmong(model, relativeNames) == 0 && slotFilesAmong(other, relativeNames) > 0)
        return other;
    return std::nullopt;
}

TerminalModel workspaceModel(const QString& workspaceRoot) {
    const QStringList names = filesBelow(workspaceRoot);
    return slotFilesAmong(TerminalModel::KorvellPlus, names) >
                   slotFilesAmong(TerminalModel::Korvell, names)
               ? TerminalModel::KorvellPlus
               : TerminalModel::Korvell;
}

QStringList compileFindings(TerminalModel model, const QString& workspaceRoot) {
    QStringList findings;
    if (!QFileInfo(workspaceRoot).isDir())
        return findings;
    const QStringList files = filesBelow(workspaceRoot);
    if (const auto other = namesOfOtherModel(model, files))
        findings << texts::kWorkspaceOfOtherModel.arg(
            modelDisplayName(model), QString::number(slotFilesAmong(*other, files)),
            modelDisplayName(*other));
    const int slotCount = static_cast<int>(slotCatalogue(model).size());
    for (int index = 0; index < slotCount; ++index)
        if (const SlotFileFinding finding = checkSlotFile(model, index, workspaceRoot);
            !finding.ok())
            findings << slotLine(finding);
    for (const QString& extra : extraFiles(model, workspaceRoot))
        findings << texts::kFindingOfExtraFile.arg(extra);
    return findings;
}

} // namespace palvex::theme
