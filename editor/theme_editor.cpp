#include "editor/theme_editor.h"

#include "editor/editor_texts.h"
#include "editor/file_functions.h"
#include "editor/image_limits.h"
#include "editor/picture_file.h"
#include "editor/size_text.h"
#include "editor/workspace_lock.h"
#include "platform/exception.h"

namespace palvex::editor {

ThemeEditor::PreviewResult ThemeEditor::previewSelectedSlot() {
    const QString path = slotPath(model_, view_.selectedSlot(), workspace_).value_or(QString());
    if (!existsAsFile(path))
        return PreviewResult::NoFile;

    const QString name = displayName(path);
    ui_.appendLog(texts::kRetrieving + name + texts::kDetails);
    BusyCursor busy(ui_);
    try {
        // One decode serves both the preview and the measuring picture.
        const QImage picture = loadPicture(path);
        view_.showPicture(picture);
        view_.setFileNameCaption(name);
        view_.setFileSizeCaption(formatByteSizeAsKb(fileSize(path)) + QStringLiteral(" kb"));
        view_.measurePicture(picture);
        view_.setDimensionCaption(
            QStringLiteral("H:%1\tW:%2").arg(picture.height()).arg(picture.width()));
        currentSlotFile_ = path;
        return PreviewResult::Shown;
    } catch (const Exception& error) {
        ui_.appendLog(texts::kLoadImageError + QString::fromStdString(error.what()));
        return PreviewResult::Failed;
    }
}

void ThemeEditor::changePicture() {
    if (running_)
        return;
    if (const std::optional<QString> chosen = ui_.choosePicture())
        replaceCurrentSlot(*chosen);
}

bool ThemeEditor::replaceCurrentSlot(const QString& picture) {
    if (running_ || !existsAsFile(picture) || !existsAsFile(currentSlotFile_))
        return false;
    try {
        if (!acceptsReplacement(picture, currentSlotFile_))
            return false;
        view_.showPicture(loadPicture(picture));
    } catch (const Exception& error) {
        ui_.showError(texts::kLoadImageError + QString::fromStdString(error.what()));
        return false;
    }
    // Without a kept copy the change could not be taken back; it goes ahead all the same.
    const bool kept = undo_.keep(currentSlotFile_);
    if (putIntoSlot(picture, currentSlotFile_, texts::kReplacedImage, displayName(picture)))
        return true;
    if (kept)
        undo_.dropLast();
    return false;
}

bool ThemeEditor::undoChange() {
    if (running_ || undo_.isEmpty())
        return false;
    const QString slotFile = undo_.lastSlotFile();
    if (!putIntoSlot(undo_.lastCopy(), slotFile, texts::kRestoredImage, displayName(slotFile)))
        return false;
    undo_.dropLast();
    return true;
}

// The one copy into the workspace, logged as done + name, then the slot shown again from disk.
bool ThemeEditor::putIntoSlot(const QString& source, const QString& slotFile, const QString& done,
                              const QString& name) {
    const WorkspaceGuard lock(workspace_, ui_);
    if (!lock)
        return false;
    QString reason;
    const bool copied = replaceFile(source, slotFile, &reason);
    if (copied)
        ui_.appendLog(done + name);
    else
        ui_.showError(texts::kErrorReplacing + name + QStringLiteral(" : ") + reason);
    previewSelectedSlot();
    return copied;
}

bool ThemeEditor::acceptsReplacement(const QString& picture, const QString& slotFile) {
    if (displayName(picture) != displayName(slotFile)) {
        ui_.showError(texts::kNameMustBeSame);
        return false;
    }
    return checkImageFile(picture, slotOf(slotFile));
}

// The slot whose file is replaced, whose limits hold whatever the slot list shows by now (a
// typed entry, or a slot whose preview failed after the last one that went through).
int ThemeEditor::slotOf(const QString& slotFile) const {
    return findSlot(model_,
                    [&](const QString& path) {
                        return workspace_ + QLatin1Char('/') + path == slotFile;
                    })
        .value_or(view_.selectedSlot());
}

bool ThemeEditor::checkImageFile(const QString& picture) {
    return checkImageFile(picture, view_.selectedSlot());
}

bool ThemeEditor::checkImageFile(const QString& picture, int slot) {
    const LimitGroup limits = limitGroup(model_, slot);
    const ImageLimitCheck check = checkImageLimits(picture, limits);
    if (check.verdict == ImageLimitCheck::Verdict::TooBig) {
        ui_.showError(texts::kMaxSizeFor + view_.fileNameCaption() + QStringLiteral(" is ") +
                      formatKb(limits.maxSizeKb) + QStringLiteral("kb"));
        return false;
    }
    view_.measurePicture(check.picture);
    if (check.verdict == ImageLimitCheck::Verdict::TooLarge) {
        ui_.showError(texts::kMaxDimensionFor + view_.fileNameCaption() +
                      QStringLiteral(" is H:%1 W:%2").arg(limits.maxHeight).arg(limits.maxWidth));
        return false;
    }
    return true;
}

} // namespace palvex::editor
