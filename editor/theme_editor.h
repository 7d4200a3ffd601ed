#pragma once

#include "editor/editor_view.h"
#include "editor/pipeline_ui.h"
#include "editor/slot_catalogue.h"
#include "editor/slot_undo.h"

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
    // The same with an archive the user has already named (dropped on the window, say).
    void openArchiveFile(const QString& archive);
    // Unpacks the archive named in the input field into the workspace.
    void unpack();
    // Packs the workspace into a temporary tar and compresses that into the output file.
    void compile();
    const QString& workspace() const { return workspace_; }
    bool running() const { return running_; }

    // The most a theme archive may unpack to; a larger one is refused before the workspace
    // is touched.
    static constexpr std::int64_t kDefaultMaxTarSize = std::int64_t(1) << 30;
    void setMaxTarSize(std::int64_t bytes) { maxTarSize_ = bytes; }

    // How many errors the archive components reported in the last unpack or compile.
    int archiveErrors() const { return archiveErrors_; }

    // The last slot file whose preview went through completely; the target of a change.
    const QString& currentSlotFile() const { return currentSlotFile_; }

    // Shows the selected slot's picture and details and makes it the current slot file.
    PreviewResult previewSelectedSlot();

    // Lets the user pick a picture and, when it passes the checks, copies it over the
    // current slot file.
    void changePicture();
    // Changes the current slot to this picture: the name and limit checks with their boxes,
    // the copy, the log line and the preview, as the change button does. Every way a picture
    // reaches a slot (the dialog, a drop) comes through here. False when nothing was changed.
    bool replaceCurrentSlot(const QString& picture);

    // Puts back the slot file the newest change replaced; false when there is none.
    bool undoChange();
    bool canUndo() const { return !undo_.isEmpty(); }
    // Forgets the kept pictures: the workspace they belong to is gone.
    void forgetChanges() { undo_.clear(); }

    // The name check followed by the limit checks; shows the refusal and answers false.
    bool acceptsReplacement(const QString& picture, const QString& slotFile);

    // The selected slot's size and dimension limits; shows the refusal and answers false.
    // Raises palvex::Exception when the picture cannot be decoded.
    bool checkImageFile(const QString& picture);
    // The same against the limits of the given slot.
    bool checkImageFile(const QString& picture, int slot);

    archive::TUnTar UnTar1;
    archive::TTar Tar1;

private:
    void logArchiveErrors(archive::TZipCommon& component, QString* firstError = nullptr);
    void unpackInput();
    void extractInto(const QString& archive);
    bool decodeInto(const QString& input, const std::string& temporary);
    void refuseUnpack();
    int slotOf(const QString& slotFile) const;
    bool putIntoSlot(const QString& source, const QString& slotFile, const QString& done,
                     const QString& name);
    bool outputOutsideWorkspace(const QString& output);
    void compileWorkspace(const QString& output);
    void logWriterErrors(QString& firstError);
    void packWorkspace(const std::string& tarFile);
    void compressInto(const std::string& tarFile, const QString& output);

    TerminalModel model_;
    PipelineUi& ui_;
    EditorView& view_;
    QString workspace_;
    QString currentSlotFile_;
    bool running_ = false;
    SlotUndo undo_;
    int archiveErrors_ = 0;
    std::int64_t maxTarSize_ = kDefaultMaxTarSize;
};

} // namespace palvex::editor
