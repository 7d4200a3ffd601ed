#include "pictures/theme_verification.h"

#include "pictures/picture_file.h"
#include "platform/exception.h"

namespace palvex::pictures {

using namespace theme;

qsizetype ThemeFindings::okCount() const {
    return std::count_if(bySlot.begin(), bySlot.end(), [](const SlotFinding& s) { return s.ok(); });
}

ThemeVerification::ThemeVerification(TerminalModel model, QString workspaceRoot)
    : model_(model), root_(std::move(workspaceRoot)) {}

ThemeFindings ThemeVerification::run(QSize thumbnailBox) const {
    ThemeFindings findings;
    findings.model = model_;
    for (int i = 0; i < static_cast<int>(slotCatalogue(model_).size()); ++i)
        findings.bySlot << verifySlot(i, thumbnailBox);
    findings.extraFiles = extraFiles();
    return findings;
}

SlotFinding ThemeVerification::verifySlot(int index, QSize thumbnailBox) const {
    SlotFinding finding{checkSlotFile(model_, index, root_), {}};
    if (!finding.bytes)
        return finding;
    const QString path = *slotPath(model_, index, root_);
    // A file over its kb still shows its height and width to whoever fixes it.
    try {
        finding.dimensions = declaredSize(path);
    } catch (const Exception& error) {
        if (finding.ok())
            finding.refuse(SlotStatus::Unreadable, QString::fromUtf8(error.what()));
        return finding;
    }
    if (!finding.ok())
        return finding;
    if (finding.exceedsLimits(finding.dimensions)) {
        finding.refuse(SlotStatus::OverPixels);
        return finding;
    }
    try {
        if (thumbnailBox.isEmpty())
            loadPicture(path);
        else
            finding.thumbnail = loadThumbnail(path, thumbnailBox);
    } catch (const Exception& error) {
        finding.refuse(SlotStatus::Unreadable, QString::fromUtf8(error.what()));
    }
    return finding;
}

QStringList ThemeVerification::extraFiles() const {
    return theme::extraFiles(model_, root_);
}

} // namespace palvex::pictures
