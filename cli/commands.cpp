#include "cli/commands.h"

#include "cli/console_ui.h"
#include "editor/editor_texts.h"
#include "editor/file_functions.h"
#include "editor/size_text.h"
#include "editor/slot_catalogue.h"
#include "editor/theme_editor.h"
#include "platform/exception.h"
#include "platform/tree_removal.h"

#include <QDir>

namespace palvex::cli {

using editor::TerminalModel;
using editor::ThemeEditor;

std::optional<TerminalModel> parseModel(CommandContext& context, const QString& name) {
    const auto model = editor::modelFromName(name);
    if (!model)
        context.err << "Unknown model \"" << name << "\": use korvell or korvell-plus" << Qt::endl;
    return model;
}

QString absolute(const QString& path) {
    return QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

namespace {

// A slot is named by its index or by its label exactly as the slot list shows it.
std::optional<int> parseSlot(CommandContext& context, TerminalModel model, const QString& text) {
    const QStringList labels = editor::slotLabels(model);
    bool isNumber = false;
    const int index = text.toInt(&isNumber);
    if (isNumber && index >= 0 && index < labels.size())
        return index;
    if (!isNumber && labels.contains(text))
        return static_cast<int>(labels.indexOf(text));
    context.err << "Unknown slot \"" << text << "\": give an index from 0 to " << labels.size() - 1
                << " or a label that palvex-theme slots lists" << Qt::endl;
    return std::nullopt;
}

int runSlots(CommandContext& context) {
    const auto model = parseModel(context, context.arguments[0]);
    if (!model)
        return 2;
    const auto catalogue = editor::slotCatalogue(*model);
    for (int i = 0; i < static_cast<int>(catalogue.size()); ++i) {
        const editor::LimitGroup limits = editor::limitGroup(*model, i);
        context.out << i << '\t' << QString::fromUtf8(catalogue[i].label) << '\t'
                    << QString::fromUtf8(catalogue[i].relativePath) << '\t'
                    << editor::formatKb(limits.maxSizeKb) << '\t' << limits.maxHeight << '\t'
                    << limits.maxWidth << Qt::endl;
    }
    return 0;
}

int runClean(CommandContext& context) {
    if (!QFileInfo::exists(context.workspace))
        return 0;
    if (platform::removeTree(context.workspace.toStdString()))
        return 0;
    context.err << "Could not remove everything in " << QDir::toNativeSeparators(context.workspace)
                << Qt::endl;
    return 1;
}

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

int runShow(CommandContext& context) {
    const auto target = parseModelAndSlot(context);
    if (!target)
        return 2;
    SlotSession session(context, target->first, target->second);
    session.ui.echoLog = false;
    switch (session.editor.previewSelectedSlot()) {
    case ThemeEditor::PreviewResult::NoFile:
        return 1;
    case ThemeEditor::PreviewResult::Failed:
        context.err << session.ui.logLines.constLast() << Qt::endl;
        return 1;
    case ThemeEditor::PreviewResult::Shown:
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
    const QString slotFile = *editor::slotPath(target->first, target->second, context.workspace);
    const QString picture = absolute(context.arguments[2]);
    if (!editor::existsAsFile(picture)) {
        context.err << "No such picture: " << QDir::toNativeSeparators(picture) << Qt::endl;
        return 1;
    }
    session.ui.fileName = editor::displayName(slotFile);
    try {
        return session.editor.acceptsReplacement(picture, slotFile) ? 0 : 1;
    } catch (const Exception& error) {
        context.err << editor::texts::kLoadImageError << error.what() << Qt::endl;
        return 1;
    }
}

int runChange(CommandContext& context) {
    const auto target = parseModelAndSlot(context);
    if (!target)
        return 2;
    SlotSession session(context, target->first, target->second);
    session.ui.echoLog = false;
    if (session.editor.previewSelectedSlot() != ThemeEditor::PreviewResult::Shown) {
        context.err << "The slot's file cannot be previewed, so it cannot be changed: "
                    << QDir::toNativeSeparators(
                           *editor::slotPath(target->first, target->second, context.workspace))
                    << Qt::endl;
        return 1;
    }
    const QString picture = absolute(context.arguments[2]);
    if (!editor::existsAsFile(picture)) {
        context.err << "No such picture: " << QDir::toNativeSeparators(picture) << Qt::endl;
        return 1;
    }
    session.ui.picture = picture;
    session.ui.echoLog = true;
    const qsizetype before = session.ui.logLines.size();
    session.editor.changePicture();
    const bool replaced = session.ui.logLines.size() > before &&
                          session.ui.logLines[before].startsWith(editor::texts::kReplacedImage);
    return replaced && session.ui.errorCount() == 0 ? 0 : 1;
}

// The unpack and compile pipelines, reporting as the window does: log lines on stdout, message
// boxes on stderr. A pipeline failed when it showed a box or logged an error line.
int runUnpack(CommandContext& context) {
    ConsoleUi ui(context.out, context.err);
    ui.inputArchive = absolute(context.arguments[0]);
    ThemeEditor editor(TerminalModel::Korvell, ui, ui, context.workspace);
    ui.slot = -1; // nothing to preview afterwards
    editor.openArchive();
    if (!editor::existsAsFile(ui.input)) {
        context.err << "No such archive: " << QDir::toNativeSeparators(ui.input) << Qt::endl;
        return 1;
    }
    const bool unpacked =
        !ui.logLines.isEmpty() && ui.logLines.constLast().startsWith(editor::texts::kUnpackedFiles);
    return unpacked && ui.errorCount() == 0 && editor.archiveErrors() == 0 ? 0 : 1;
}

int runCompile(CommandContext& context) {
    ConsoleUi ui(context.out, context.err);
    ui.output = absolute(context.arguments[0]);
    ThemeEditor editor(TerminalModel::Korvell, ui, ui, context.workspace);
    editor.compile();
    return !ui.logLines.isEmpty() && ui.logLines.constLast() == editor::texts::kProcessDone ? 0 : 1;
}

} // namespace

const QList<Command>& commands() {
    static const QList<Command> all{
        {"slots", "slots MODEL", 1, 1, runSlots},
        {"clean", "clean", 0, 0, runClean},
        {"show", "show MODEL SLOT", 2, 2, runShow},
        {"check", "check MODEL SLOT PICTURE", 3, 3, runCheck},
        {"change", "change MODEL SLOT PICTURE", 3, 3, runChange},
        {"unpack", "unpack ARCHIVE", 1, 1, runUnpack},
        {"compile", "compile OUTPUT", 1, 1, runCompile},
        {"verify", "verify MODEL [ARCHIVE] [--json]", 1, 2, nullptr},
        {"sheet", "sheet MODEL OUT.png [ARCHIVE]", 2, 3, nullptr},
    };
    return all;
}

const QList<QCommandLineOption>& commandOptions() {
    static const QList<QCommandLineOption> all{
        {QStringLiteral("workspace"), QStringLiteral("Work on DIR instead of the fixed workspace."),
         QStringLiteral("DIR")},
        {QStringLiteral("json"), QStringLiteral("verify: print one JSON document.")},
    };
    return all;
}

} // namespace palvex::cli
