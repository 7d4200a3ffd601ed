#pragma once

#include "editor/editor_view.h"
#include "editor/pipeline_ui.h"
#include "editor/slot_catalogue.h"

#include <QString>

namespace palvex::editor {

// The pipelines of one editor, free of widgets: the same code runs behind the window, the
// command line and the tests.
class ThemeEditor {
public:
    enum class PreviewResult { NoFile, Shown, Failed };

    ThemeEditor(TerminalModel model, PipelineUi& ui, EditorView& view, QString workspaceRoot);

    TerminalModel model() const { return model_; }
    const QString& workspace() const { return workspace_; }

    // The last slot file whose preview went through completely; the target of a change.
    const QString& currentSlotFile() const { return currentSlotFile_; }

    // Shows the selected slot's picture and details and makes it the current slot file.
    PreviewResult previewSelectedSlot();

    // Lets the user pick a picture and, when it passes the checks, copies it over the
    // current slot file.
    void changePicture();

    // The name check followed by the limit checks; shows the refusal and answers false.
    bool acceptsReplacement(const QString& picture, const QString& slotFile);

    // The selected slot's size and dimension limits; shows the refusal and answers false.
    // Raises palvex::Exception when the picture cannot be decoded.
    bool checkImageFile(const QString& picture);

private:
    TerminalModel model_;
    PipelineUi& ui_;
    EditorView& view_;
    QString workspace_;
    QString currentSlotFile_;
};

} // namespace palvex::editor
