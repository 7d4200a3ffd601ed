#pragma once

#include "theme/editor_view.h"
#include "theme/pipeline_ui.h"
#include "theme/slot_catalogue.h"
#include "theme/slot_undo.h"

#include <QString>
#include <atomic>

namespace palvex::theme {

// What the pipelines of one editor share: the model, how they talk to the user, the fields
// they read and fill, the workspace, and the rule of one run at a time.
struct ThemeSession {
    ThemeSession(TerminalModel model, PipelineUi& ui, EditorView& view, QString workspace)
        : model(model), ui(ui), view(view), workspace(std::move(workspace)) {}
    ThemeSession(const ThemeSession&) = delete;
    ThemeSession& operator=(const ThemeSession&) = delete;

    const TerminalModel model;
    PipelineUi& ui;
    EditorView& view;
    const QString workspace;
    bool running = false;
    // The slot files as they were before each change; an unpack forgets them, since an undo
    // must never put the old theme's picture over the new one.
    SlotUndo undo;
    // Whether a slot file changed since the workspace was unpacked or last compiled: what a
    // close or another open would throw away. Written on the worker, read by the window.
    std::atomic<bool> changed{false};
};

} // namespace palvex::theme
