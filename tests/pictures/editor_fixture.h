#pragma once

#include "pictures/theme_editor.h"
#include "tests/support/picture_bytes.h"
#include "tests/support/recording_ui.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

namespace palvex::test {

// An editor of one model over a scratch workspace, talking to a recorder.
class EditorFixture : public ::testing::Test {
protected:
    explicit EditorFixture(theme::TerminalModel model = theme::TerminalModel::Korvell)
        : workspace(QString::fromStdString(scratch / "IMAGE")), editor(model, ui, ui, workspace) {}

    QString inWorkspace(const QString& relative) const { return workspace + "/" + relative; }
    QString outside(const QString& relative) const {
        return QString::fromStdString(scratch / relative.toStdString());
    }
    // Selects a slot and previews it, as picking it in the slot list does.
    pictures::SlotEditor::PreviewResult select(int slot) {
        ui.slot = slot;
        return editor.slotEditor().previewSelectedSlot();
    }

    ScratchFolder scratch;
    QString workspace;
    RecordingUi ui;
    pictures::ThemeEditor editor;
};

} // namespace palvex::test
