#pragma once

#include "editor/editor_view.h"
#include "editor/pipeline_ui.h"
#include "editor/slot_catalogue.h"

#include "archive/tar.h"
#include "archive/un_tar.h"

#include <QString>

namespace palvex::editor {

// The pipelines of one editor, free of widgets: the same code runs behind the window, the
// command line and the tests.
class ThemeEditor {
public:
    enum class PreviewResult { NoFile, Shown, Failed };

    ThemeEditor(TerminalModel model, PipelineUi& ui, EditorView& view, QString workspaceRoot);

    TerminalModel model() const { return model_; }

    // Lets the user pick a theme archive, unpacks it and previews the selected slot.
    void openArchive();
    // Unpacks the archive named in the input field into the workspace.
    void unpack();
    // Packs the workspace into img.tar and compresses that into the output file.
    void compile();
    const QString& workspace() const { return workspace_; }
    bool running() const { return running_; }

    // How many errors the archive components reported in the last unpack or compile.
    int archiveErrors() const { return archiveErrors_; }

    // The last slot file whose preview went through completely; the target of a change.
    const QString& currentSlotFile() const { return currentSlotFile_; }

    // Shows the selected slot's picture and details and makes it the current slot file.
    PreviewResult previewSelectedSlot();

    // Lets the user pick a picture and, when it passes the checks, copies it over the
    // current slot file.
    void changePicture();
    // The change after the dialog: the same checks, messages and copy for a given picture.
    void replaceWith(const QString& picture);

    // The name check followed by the limit checks; shows the refusal and answers false.
    bool acceptsReplacement(const QString& picture, const QString& slotFile);

    // The selected slot's size and dimension limits; shows the refusal and answers false.
    // Raises palvex::Exception when the picture cannot be decoded.
    bool checkImageFile(const QString& picture);

    archive::TUnTar UnTar1;
    archive::TTar Tar1;

private:
    void logArchiveErrors(archive::TZipCommon& component, QString* firstError = nullptr);
    void unpackInput();
    void extractInto(const QString& archive);
    void compressInto(const QString& output);

    TerminalModel model_;
    PipelineUi& ui_;
    EditorView& view_;
    QString workspace_;
    QString currentSlotFile_;
    bool running_ = false;
    int archiveErrors_ = 0;
};

} // namespace palvex::editor
