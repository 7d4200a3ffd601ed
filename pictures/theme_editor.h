#pragma once

#include "pictures/slot_editor.h"
#include "theme/archive_pipelines.h"
#include "theme/theme_session.h"

namespace palvex::pictures {

// One editor's pipelines over one workspace: the archive pipelines and the slot editing,
// sharing one session, and the open sequence that joins them.
class ThemeEditor {
public:
    ThemeEditor(theme::TerminalModel model, theme::PipelineUi& ui, theme::EditorView& view,
                QString workspaceRoot);

    theme::TerminalModel model() const { return session_.model; }
    const QString& workspace() const { return session_.workspace; }
    bool running() const { return session_.running; }

    theme::ThemeSession& session() { return session_; }
    theme::ArchivePipelines& pipelines() { return archive_; }
    SlotEditor& slotEditor() { return slots_; }

    // Lets the user pick a theme archive, unpacks it and previews the selected slot.
    void openArchive();
    // The same with an archive the user has already named (dropped on the window, say).
    void openArchiveFile(const QString& archive);

private:
    // Read where the editor is made: the open may run on a worker thread, and the application's
    // folder is looked up and kept on its first reading.
    const QString programFolder_;
    theme::ThemeSession session_;
    theme::ArchivePipelines archive_;
    SlotEditor slots_;
};

} // namespace palvex::pictures
