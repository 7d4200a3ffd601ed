#include "pictures/slot_editor.h"

#include "pictures/image_limits.h"
#include "pictures/picture_file.h"
#include "platform/exception.h"
#include "theme/file_functions.h"
#include "theme/printable_text.h"
#include "theme/size_text.h"
#include "theme/texts.h"
#include "theme/workspace_lock.h"

#include <QFile>
#include <QFileInfo>

namespace palvex::pictures {

using namespace theme;

SlotEditor::SlotEditor(ThemeSession& session) : session_(session) {}

SlotEditor::PreviewResult SlotEditor::previewSelectedSlot() {
    const QString path = slotPath(session_.model, session_.view.selectedSlot(), session_.workspace)
                             .value_or(QString());
    // A picked slot whose file is missing or cannot be decoded is still the one a change or a
    // fitting repairs; the slot previewed before keeps its file.
    if (existsAsFile(path) || absentInFolder(path))
        currentSlotFile_ = path;
    if (!existsAsFile(path))
        return PreviewResult::NoFile;

    const QString name = displayName(path);
    session_.ui.appendLog(texts::kRetrieving + name + texts::kDetails);
    BusyCursor busy(session_.ui);
    try {
        // One decode serves both the preview and the measuring picture.
        const QImage picture = loadPicture(path);
        session_.view.showPicture(picture);
        session_.view.setFileNameCaption(name);
        session_.view.setFileSizeCaption(formatByteSizeAsKb(fileSize(path)) +
                                         QStringLiteral(" kb"));
        session_.view.measurePicture(picture);
        session_.view.setDimensionCaption(
            dimensionsText(picture.height(), picture.width(), QLatin1Char('\t')));
        return PreviewResult::Shown;
    } catch (const Exception& error) {
        session_.ui.appendLog(texts::kLoadImageError + QString::fromStdString(error.what()));
        return PreviewResult::Failed;
    }
}

void SlotEditor::changePicture() {
    if (session_.running)
        return;
    if (const std::optional<QString> chosen = session_.ui.choosePicture())
        replaceCurrentSlot(*chosen);
}

bool SlotEditor::replaceCurrentSlot(const QString& picture) {
    if (session_.running || !existsAsFile(picture) || !hasTarget())
        return false;
    try {
        if (!acceptsReplacement(picture, currentSlotFile_))
            return false;
        session_.view.showPicture(loadPicture(picture));
    } catch (const Exception& error) {
        session_.ui.showError(texts::kLoadImageError + QString::fromStdString(error.what()));
        return false;
    }
    // Without a kept copy the change could not be taken back; it goes ahead all the same,
    // saying so.
    QString notKept;
    const bool kept = session_.undo.keep(currentSlotFile_, &notKept);
    if (putIntoSlot(picture, currentSlotFile_, texts::kReplacedImage, displayName(picture))) {
        if (!kept)
            session_.ui.appendLog(texts::kUndoNotKept + notKept);
        return true;
    }
    if (kept)
        session_.undo.dropLast();
    return false;
}

bool SlotEditor::hasTarget() const {
    return existsAsFile(currentSlotFile_) || absentInFolder(currentSlotFile_);
}

// The slot taken back is selected and shown, wherever the slot list stood.
bool SlotEditor::undoChange() {
    if (session_.running)
        return false;
    if (session_.undo.isEmpty()) {
        session_.ui.appendLog(texts::kNothingToUndo);
        return false;
    }
    const QString slotFile = session_.undo.lastSlotFile();
    if (const std::optional<int> slot = findSlot(session_.model, [&](const QString& path) {
            return session_.workspace + QLatin1Char('/') + path == slotFile;
        }))
        session_.view.selectSlot(*slot);
    const bool undone = session_.undo.lastWasAbsent()
                            ? removeFromSlot(slotFile)
                            : putIntoSlot(session_.undo.lastCopy(), slotFile, texts::kRestoredImage,
                                          displayName(slotFile));
    if (undone)
        session_.undo.dropLast();
    return undone;
}

// Takes back a change that made the slot's file where none was.
bool SlotEditor::removeFromSlot(const QString& slotFile) {
    const WorkspaceGuard lock(session_.workspace, session_.ui);
    if (!lock)
        return false;
    QString reason;
    const QString name = displayName(slotFile);
    const bool removed = removeSlotFile(slotFile, &reason);
    if (removed) {
        session_.changed = true;
        session_.ui.appendLog(texts::kRemovedImage + name);
    } else {
        session_.ui.showError(texts::kErrorReplacing + name + QStringLiteral(" : ") + reason);
    }
    previewSelectedSlot();
    return removed;
}

// The one copy into the workspace, logged as done + name, then the slot shown again from disk.
bool SlotEditor::putIntoSlot(const QString& source, const QString& slotFile, const QString& done,
                             const QString& name) {
    const WorkspaceGuard lock(session_.workspace, session_.ui);
    if (!lock)
        return false;
    QString reason;
    const bool copied = replaceFile(source, slotFile, &reason);
    if (copied) {
        session_.changed = true;
        session_.ui.appendLog(done + name);
    } else
        session_.ui.showError(texts::kErrorReplacing + name + QStringLiteral(" : ") + reason);
    previewSelectedSlot();
    return copied;
}

bool SlotEditor::acceptsReplacement(const QString& picture, const QString& slotFile) {
    if (displayName(picture) != displayName(slotFile)) {
        session_.ui.showError(texts::kNameMustBeSame);
        logRefusal(picture, slotOf(slotFile));
        return false;
    }
    return checkImageFile(picture, slotOf(slotFile));
}

// The slot whose file is replaced, whose limits hold whatever the slot list shows by now (a
// typed entry, or a slot whose preview failed after the last one that went through).
int SlotEditor::slotOf(const QString& slotFile) const {
    return findSlot(session_.model,
                    [&](const QString& path) {
                        return session_.workspace + QLatin1Char('/') + path == slotFile;
                    })
        .value_or(session_.view.selectedSlot());
}

namespace {

// A file's own name, as the file system holds it, escaped where it could forge a line.
QString realName(const QString& path) {
    return printableName(QFile::encodeName(QFileInfo(path).fileName()).toStdString());
}

} // namespace

// The box names the slot by its caption and gives one limit; the log keeps what was refused
// under its own name, with its size and the slot's limits side by side.
void SlotEditor::logRefusal(const QString& picture, int slot) {
    const LimitGroup limits = limitGroup(session_.model, slot);
    const QString slotFile = slotPath(session_.model, slot, session_.workspace).value_or(QString());
    QString facts = formatByteSizeAsKb(fileSize(picture)) + QStringLiteral(" kb");
    try {
        facts += QLatin1Char(' ') + dimensionsText(declaredSize(picture));
    } catch (const Exception&) {
        // Its height and width are not known: the size alone is told.
    }
    session_.ui.appendLog(
        texts::kRefusedPicture.arg(realName(picture), facts, realName(slotFile),
                                   formatKb(limits.maxSizeKb) + QStringLiteral(" kb ") +
                                       dimensionsText(limits.maxHeight, limits.maxWidth)));
}

// The caption names the slot shown; after a missing or damaged slot is picked it still names
// the one shown before, while the change goes to the picked slot's file.
QString SlotEditor::boxName(int slot) const {
    const std::optional<QString> path = slotPath(session_.model, slot, session_.workspace);
    return path && *path == currentSlotFile_ ? displayName(*path) : session_.view.fileNameCaption();
}

bool SlotEditor::checkImageFile(const QString& picture) {
    return checkImageFile(picture, session_.view.selectedSlot());
}

bool SlotEditor::checkImageFile(const QString& picture, int slot) {
    const LimitGroup limits = limitGroup(session_.model, slot);
    const ImageLimitCheck check = checkImageLimits(picture, limits);
    if (check.verdict == ImageLimitCheck::Verdict::OverBytes) {
        session_.ui.showError(texts::kMaxSizeFor + boxName(slot) + QStringLiteral(" is ") +
                              formatKb(limits.maxSizeKb) + QStringLiteral("kb"));
        logRefusal(picture, slot);
        return false;
    }
    session_.view.measurePicture(check.picture);
    if (check.verdict == ImageLimitCheck::Verdict::OverPixels) {
        session_.ui.showError(texts::kMaxDimensionFor + boxName(slot) + QStringLiteral(" is ") +
                              dimensionsText(limits.maxHeight, limits.maxWidth));
        logRefusal(picture, slot);
        return false;
    }
    return true;
}

} // namespace palvex::pictures
