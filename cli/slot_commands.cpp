// The commands that preview, check and change one slot's picture.
#include "cli/slot_commands.h"

#include "cli/console_ui.h"
#include "pictures/theme_editor.h"
#include "platform/exception.h"
#include "theme/file_functions.h"
#include "theme/printable_text.h"
#include "theme/slot_catalogue.h"
#include "theme/texts.h"

#include <QDir>

namespace palvex::cli {

using pictures::ThemeEditor;
using theme::TerminalModel;

namespace {

// A model, a slot and an editor whose slot list has that slot selected.
struct SlotSession {
    TerminalModel model;
    ConsoleUi ui;
    ThemeEditor editor;

    SlotSession(CommandContext& context, TerminalModel m, int slot)
        : model(m), ui(context.out, context.err), editor(m, ui, ui, context.workspace) {
        ui.slot = slot;
    }
};

std::optional<std::pair<TerminalModel, int>> parseModelAndSlot(CommandContext& context) {
    const auto model = parseModel(context, context.arguments[0]);
    if (!model)
        return std::nullopt;
    const auto slot = parseSlot(context, *model, context.arguments[1]);
    if (!slot)
        return std::nullopt;
    return std::make_pair(*model, *slot);
}

} // namespace

int runShow(CommandContext& context) {
    const auto target = parseModelAndSlot(context);
    if (!target)
        return 2;
    SlotSession session(context, target->first, target->second);
    session.ui.echoLog = false;
    switch (session.editor.slotEditor().previewSelectedSlot()) {
    case pictures::SlotEditor::PreviewResult::NoFile:
        context.err << "The slot has no picture file: "
                    << QDir::toNativeSeparators(
                           *theme::slotPath(target->first, target->second, context.workspace))
                    << Qt::endl;
        return 1;
    case pictures::SlotEditor::PreviewResult::Failed:
        context.err << theme::printable(session.ui.logLines.constLast()) << Qt::endl;
        return 1;
    case pictures::SlotEditor::PreviewResult::Shown:
        break;
    }
    context.out << "FileName : " << session.ui.fileName << Qt::endl
                << "FileSize : " << session.ui.fileSize << Qt::endl
                << "Dimension : " << session.ui.dimension << Qt::endl;
    return 0;
}

int runCheck(CommandContext& context) {
    const auto target = parseModelAndSlot(context);
    if (!target)
        return 2;
    SlotSession session(context, target->first, target->second);
    const QString slotFile = *theme::slotPath(target->first, target->second, context.workspace);
    const QString picture = absolute(context.arguments[2]);
    if (!theme::existsAsFile(picture)) {
        context.err << "No such picture: " << QDir::toNativeSeparators(picture) << Qt::endl;
        return 1;
    }
    session.ui.fileName = theme::displayName(slotFile);
    try {
        return session.editor.slotEditor().acceptsReplacement(picture, slotFile) ? 0 : 1;
    } catch (const Exception& error) {
        context.err << theme::printable(theme::texts::kLoadImageError + error.what()) << Qt::endl;
        return 1;
    }
}

int runChange(CommandContext& context) {
    const auto target = parseModelAndSlot(context);
    if (!target)
        return 2;
    SlotSession session(context, target->first, target->second);
    session.ui.echoLog = false;
    if (session.editor.slotEditor().previewSelectedSlot() !=
        pictures::SlotEditor::PreviewResult::Shown) {
        context.err << "The slot's file cannot be previewed, so it cannot be changed: "
                    << QDir::toNativeSeparators(
                           *theme::slotPath(target->first, target->second, context.workspace))
                    << Qt::endl;
        return 1;
    }
    const QString picture = absolute(context.arguments[2]);
    if (!theme::existsAsFile(picture)) {
        context.err << "No such picture: " << QDir::toNativeSeparators(picture) << Qt::endl;
        return 1;
    }
    session.ui.picture = picture;
    session.ui.echoLog = true;
    const qsizetype before = session.ui.logLines.size();
    session.editor.slotEditor().changePicture();
    const bool replaced = session.ui.logLines.size() > before &&
                          session.ui.logLines[before].startsWith(theme::texts::kReplacedImage);
    return replaced && session.ui.errorCount() == 0 ? 0 : 1;
}

} // namespace palvex::cli
