#pragma once

#include "editor/theme_editor.h"
#include "tests/support/picture_bytes.h"
#include "tests/support/recording_ui.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

namespace palvex::test {

// An editor of one model over a scratch workspace, talking to a recorder.
class EditorFixture : public ::testing::Test {
protected:
    explicit EditorFixture(editor::TerminalModel model = editor::TerminalModel::Korvell)
        : workspace(QString::fromStdString(scratch / "IMAGE")), editor(model, ui, ui, workspace) {}

    QString inWorkspace(const QString& relative) const { return workspace + "/" + relative; }
    QString outside(const QString& relative) const {
        return QString::fromStdString(scratch / relative.toStdString());
    }
    // Selects a slot and previews it, as picking it in the slot list does.
    editor::ThemeEditor::PreviewResult select(int slot) {
        ui.slot = slot;
        return editor.previewSelectedSlot();
    }

    ScratchFolder scratch;
    QString workspace;
    RecordingUi ui;
    editor::ThemeEditor editor;
};

} // namespace palvex::test
