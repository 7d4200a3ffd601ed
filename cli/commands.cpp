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

// The unpack and compile pipelines, reporting as the window does: log lines on stdout, message
// boxes on stderr. A pipeline failed when it showed a box or logged an error line.
int runUnpack(CommandContext& context) {
    ConsoleUi ui(context.out, context.err);
    ui.input = absolute(context.arguments[0]);
    if (!editor::existsAsFile(ui.input)) {
        context.err << "No such archive: " << QDir::toNativeSeparators(ui.input) << Qt::endl;
        return 1;
    }
    ThemeEditor editor(TerminalModel::Korvell, ui, ui, context.workspace);
    editor.unpack();
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
        {"show", "show MODEL SLOT", 2, 2, nullptr},
        {"check", "check MODEL SLOT PICTURE", 3, 3, nullptr},
        {"change", "change MODEL SLOT PICTURE", 3, 3, nullptr},
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
