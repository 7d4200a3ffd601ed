// The open sequence: a dialog, the unpack pipeline, then the preview of the selected slot.
#include "editor/editor_layout.h"
#include "editor/file_functions.h"
#include "editor/one_pipeline.h"
#include "editor/theme_editor.h"

#include <QCoreApplication>

namespace palvex::editor {

void ThemeEditor::openArchive() {
    OnePipeline one(running_, ui_);
    if (!one)
        return;
    const QString start = QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                          editorLayout(model_).modelFolder;
    const std::optional<QString> chosen = ui_.chooseInputArchive(start);
    if (!chosen)
        return;
    view_.setInputFile(*chosen);
    if (!existsAsFile(view_.inputFile()))
        return;
    BusyCursor busy(ui_);
    unpackInput();
    previewSelectedSlot();
}

} // namespace palvex::editor
