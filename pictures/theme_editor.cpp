// The open sequence: a dialog, the unpack pipeline, then the preview of the selected slot.
#include "pictures/theme_editor.h"

#include "theme/workspace.h"

#include <QCoreApplication>

namespace palvex::pictures {

using namespace theme;

ThemeEditor::ThemeEditor(theme::TerminalModel model, theme::PipelineUi& ui, theme::EditorView& view,
                         QString workspaceRoot)
    : programFolder_(QCoreApplication::applicationDirPath()),
      session_(model, ui, view, std::move(workspaceRoot)), archive_(session_), slots_(session_) {}

void ThemeEditor::openArchive() {
    if (session_.running)
        return;
    const QString start = theme::inputStartFolder(session_.model, programFolder_);
    if (const std::optional<QString> chosen = session_.ui.chooseInputArchive(start))
        openArchiveFile(*chosen);
}

void ThemeEditor::openArchiveFile(const QString& archive) {
    archive_.openArchiveFile(archive, [this] { slots_.previewSelectedSlot(); });
}

} // namespace palvex::pictures
