#include "pictures/theme_verification.h"

#include "pictures/image_limits.h"
#include "pictures/picture_file.h"
#include "platform/directory_listing.h"
#include "platform/exception.h"
#include "theme/file_functions.h"
#include "theme/printable_text.h"
#include "theme/size_text.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <filesystem>

namespace palvex::pictures {

using namespace theme;

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

QString findingDetails(const SlotFinding& finding) {
    QStringList parts;
    if (finding.bytes)
        parts << formatByteSizeAsKb(*finding.bytes) + QStringLiteral(" kb");
    if (!finding.picture.isNull())
        parts << QStringLiteral("H:%1 W:%2")
                     .arg(finding.picture.height())
                     .arg(finding.picture.width());
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

qsizetype ThemeFindings::okCount() const {
    return std::count_if(bySlot.begin(), bySlot.end(), [](const SlotFinding& s) { return s.ok(); });
}

ThemeVerification::ThemeVerification(TerminalModel model, QString workspaceRoot)
    : model_(model), root_(std::move(workspaceRoot)) {}

ThemeFindings ThemeVerification::run() const {
    ThemeFindings findings;
    findings.model = model_;
    for (int i = 0; i < static_cast<int>(slotCatalogue(model_).size()); ++i)
        findings.bySlot << verifySlot(i);
    findings.extraFiles = extraFiles();
    return findings;
}

SlotFinding ThemeVerification::verifySlot(int index) const {
    const Slot& slot = slotCatalogue(model_)[index];
    SlotFinding finding;
    finding.index = index;
    finding.label = QString::fromUtf8(slot.label);
    finding.relativePath = QString::fromUtf8(slot.relativePath);
    finding.limits = limitGroup(model_, index);

    const QString path = *slotPath(model_, index, root_);
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
        finding.status = SlotStatus::Unreadable;
        finding.problem = QStringLiteral("not a regular file");
        return finding;
    }
    checkContent(finding, path);
    return finding;
}

void ThemeVerification::checkContent(SlotFinding& finding, const QString& path) const {
    finding.bytes = fileSize(path);
    try {
        const ImageLimitCheck check = checkImageLimits(path, finding.limits);
        finding.picture = check.picture;
        if (check.verdict == ImageLimitCheck::Verdict::Fits) {
            finding.status = SlotStatus::Ok;
            return;
        }
        finding.status = check.verdict == ImageLimitCheck::Verdict::TooBig ? SlotStatus::TooBig
                                                                           : SlotStatus::TooLarge;
        finding.problem = check.verdict == ImageLimitCheck::Verdict::TooBig
                              ? QStringLiteral("over %1 kb").arg(formatKb(finding.limits.maxSizeKb))
                              : QStringLiteral("over H:%1 W:%2")
                                    .arg(finding.limits.maxHeight)
                                    .arg(finding.limits.maxWidth);
    } catch (const Exception& error) {
        finding.status = SlotStatus::Unreadable;
        finding.problem = QString::fromStdString(error.what());
        return;
    }
    // The size refused it undecoded; its height and width still help whoever fixes it.
    if (finding.picture.isNull()) {
        try {
            finding.picture = loadPicture(path);
        } catch (const Exception&) {
        }
    }
}

QStringList ThemeVerification::extraFiles() const {
    QSet<QString> known;
    for (const Slot& slot : slotCatalogue(model_))
        known.insert(QString::fromUtf8(slot.relativePath));
    QStringList extra;
    // Listed by the names' own bytes, links never followed: a name that is not UTF-8 is
    // listed too (with its bytes escaped), where a listing through Qt's decoding would lose it.
    for (const std::string& relative : platform::listFilesBelow(root_.toStdString())) {
        const QString name = nameText(relative);
        if (!known.contains(name))
            extra << name;
    }
    extra.sort();
    return extra;
}

} // namespace palvex::pictures
