// The open sequence: a dialog, the unpack pipeline, then the preview of the selected slot.
#include "editor/file_functions.h"
#include "editor/one_pipeline.h"
#include "editor/theme_editor.h"
#include "editor/workspace.h"
#include "editor/workspace_lock.h"

#include <QCoreApplication>

namespace palvex::editor {

void ThemeEditor::openArchive() {
    if (running_)
        return;
    const QString start = inputStartFolder(model_, QCoreApplication::applicationDirPath());
    if (const std::optional<QString> chosen = ui_.chooseInputArchive(start))
        openArchiveFile(*chosen);
}

void ThemeEditor::openArchiveFile(const QString& archive) {
    OnePipeline one(running_, ui_);
    if (!one)
        return;
    view_.setInputFile(archive);
    if (!existsAsFile(view_.inputFile()))
        return;
    const WorkspaceGuard lock(workspace_, ui_);
    if (!lock)
        return;
    BusyCursor busy(ui_);
    unpackInput();
    previewSelectedSlot();
}

} // namespace palvex::editor
