#include "cli/commands.h"

#include "cli/console_ui.h"
#include "platform/exception.h"
#include "theme/archive_pipelines.h"
#include "theme/compile_findings.h"
#include "theme/file_functions.h"
#include "theme/printable_text.h"
#include "theme/size_text.h"
#include "theme/slot_catalogue.h"
#include "theme/texts.h"
#include "theme/workspace_removal.h"

#include <QDir>
#include <algorithm>

namespace palvex::cli {

using theme::TerminalModel;

std::optional<TerminalModel> parseModel(CommandContext& context, const QString& name) {
    const auto model = theme::modelFromName(name);
    if (!model)
        context.err << "Unknown model \"" << name << "\": use korvell or korvell-plus" << Qt::endl;
    return model;
}

std::optional<int> parseSlot(CommandContext& context, TerminalModel model, const QString& text) {
    const QStringList labels = theme::slotLabels(model);
    bool isNumber = false;
    const int index = text.toInt(&isNumber);
    if (isNumber && index >= 0 && index < labels.size())
        return index;
    if (!isNumber && labels.contains(text))
        return static_cast<int>(labels.indexOf(text));
    if (const auto byName = theme::findSlot(
            model, [&](const QString& path) { return QFileInfo(path).fileName() == text; }))
        return byName;
    context.err << "Unknown slot \"" << text << "\": give an index from 0 to " << labels.size() - 1
                << " or a label or file name that palvex-theme slots lists" << Qt::endl;
    return std::nullopt;
}

std::optional<std::int64_t> parseMaxSize(CommandContext& context) {
    if (!context.parser.isSet(QStringLiteral("max-size")))
        return theme::kDefaultMaxTarSize;
    bool number = false;
    const qint64 bytes = context.parser.value(QStringLiteral("max-size")).toLongLong(&number);
    if (number && bytes > 0)
        return bytes;
    context.err << "--max-size takes a number of bytes above 0" << Qt::endl;
    return std::nullopt;
}

QString absolute(const QString& path) {
    return QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

namespace {

int runSlots(CommandContext& context) {
    const auto model = parseModel(context, context.arguments[0]);
    if (!model)
        return 2;
    const auto catalogue = theme::slotCatalogue(*model);
    for (int i = 0; i < static_cast<int>(catalogue.size()); ++i) {
        const theme::LimitGroup limits = theme::limitGroup(*model, i);
        context.out << i << '\t' << QString::fromUtf8(catalogue[i].label) << '\t'
                    << QString::fromUtf8(catalogue[i].relativePath) << '\t'
                    << theme::formatKb(limits.maxSizeKb) << '\t' << limits.maxHeight << '\t'
                    << limits.maxWidth << Qt::endl;
    }
    return 0;
}

int runClean(CommandContext& context) {
    ConsoleUi ui(context.out, context.err);
    // The fixed workspace is the program's own; a folder given with --workspace is checked
    // for being one.
    const auto owner = context.parser.isSet(QStringLiteral("workspace"))
                           ? theme::WorkspaceOwner::User
                           : theme::WorkspaceOwner::Program;
    return theme::removeWorkspace(context.workspace, owner, ui) ? 0 : 1;
}

// The model --model names; without it, none (nothing), and an answer of false when it names
// no model.
bool parseModelOption(CommandContext& context, std::optional<TerminalModel>& model) {
    if (!context.parser.isSet(QStringLiteral("model")))
        return true;
    model = parseModel(context, context.parser.value(QStringLiteral("model")));
    return model.has_value();
}

// The unpack and compile pipelines, reporting as the window does: log lines on stdout, message
// boxes on stderr. A pipeline failed when it showed a box or logged an error line.
int runUnpack(CommandContext& context) {
    ConsoleUi ui(context.out, context.err);
    ui.progressLabel = QStringLiteral("Unpacking");
    ui.input = absolute(context.arguments[0]);
    if (!theme::existsAsFile(ui.input)) {
        context.err << "No such archive: " << QDir::toNativeSeparators(ui.input) << Qt::endl;
        return 1;
    }
    const auto maxSize = parseMaxSize(context);
    std::optional<TerminalModel> model;
    if (!maxSize || !parseModelOption(context, model))
        return 2;
    theme::ThemeSession session(model.value_or(TerminalModel::Korvell), ui, ui, context.workspace);
    theme::ArchivePipelines pipelines(session);
    pipelines.setMaxTarSize(*maxSize);
    pipelines.warnOfOtherModel = model.has_value(); // only a chosen model has another one
    pipelines.unpack();
    const bool unpacked = std::any_of(ui.logLines.cbegin(), ui.logLines.cend(), [](auto& line) {
        return line.startsWith(theme::texts::kUnpackedFiles);
    });
    return unpacked && ui.errorCount() == 0 && pipelines.archiveErrors() == 0 ? 0 : 1;
}

// What the window asks about before a compile is said on stderr; --strict refuses to write
// such a theme.
bool compileAllowed(CommandContext& context, TerminalModel model) {
    const QStringList findings = theme::compileFindings(model, context.workspace);
    for (const QString& finding : findings)
        context.err << theme::printable(finding) << Qt::endl;
    if (findings.isEmpty() || !context.parser.isSet(QStringLiteral("strict")))
        return true;
    context.err << theme::texts::kNotCompiledStrict.arg(findings.size()) << Qt::endl;
    return false;
}

int runCompile(CommandContext& context) {
    std::optional<TerminalModel> model;
    if (!parseModelOption(context, model))
        return 2;
    if (!compileAllowed(context, model.value_or(theme::workspaceModel(context.workspace))))
        return 1;
    ConsoleUi ui(context.out, context.err);
    ui.progressLabel = QStringLiteral("Compiling");
    ui.output = absolute(context.arguments[0]);
    theme::ThemeSession session(TerminalModel::Korvell, ui, ui, context.workspace);
    theme::ArchivePipelines(session).compile();
    return !ui.logLines.isEmpty() && ui.logLines.constLast() == theme::texts::kProcessDone ? 0 : 1;
}

} // namespace

const QList<Command>& commands() {
    static const QList<Command> all{
        {"slots", "slots MODEL", 1, 1, runSlots},
        {"clean", "clean", 0, 0, runClean},
        {"show", "show MODEL SLOT", 2, 2, nullptr},
        {"check", "check MODEL SLOT PICTURE", 3, 3, nullptr},
        {"change", "change MODEL SLOT PICTURE", 3, 3, nullptr},
        {"unpack", "unpack ARCHIVE [--model MODEL]", 1, 1, runUnpack, "max-size model"},
        {"compile", "compile OUTPUT [--model MODEL] [--strict]", 1, 1, runCompile, "model strict"},
        {"fit", "fit MODEL SLOT PICTURE [--fill] [--output FILE] | fit MODEL --folder DIR [--fill]",
         1, 3, nullptr, "fill output folder"},
        {"verify", "verify MODEL [ARCHIVE] [--json]", 1, 2, nullptr, "json max-size"},
        {"sheet", "sheet MODEL OUT.png [ARCHIVE]", 2, 3, nullptr, "max-size"},
        {"diff", "diff MODEL A B [--json] [--sheet OUT.png]", 3, 3, nullptr, "json sheet max-size"},
    };
    return all;
}

const QList<QCommandLineOption>& commandOptions() {
    static const QList<QCommandLineOption> all{
        {QStringLiteral("workspace"), QStringLiteral("Work on DIR instead of the fixed workspace."),
         QStringLiteral("DIR")},
        {QStringLiteral("max-size"),
         QStringLiteral("unpack, verify, sheet, diff: refuse an archive that unpacks to more "
                        "than BYTES (default 1073741824)."),
         QStringLiteral("BYTES")},
        {QStringLiteral("fill"), QStringLiteral("fit: fill the slot's box exactly, cropping.")},
        {QStringLiteral("output"),
         QStringLiteral("fit: write the fitted picture to FILE and change no slot."),
         QStringLiteral("FILE")},
        {QStringLiteral("folder"),
         QStringLiteral("fit: fit every picture of DIR named after a slot file."),
         QStringLiteral("DIR")},
        {QStringLiteral("json"), QStringLiteral("verify, diff: print one JSON document.")},
        {QStringLiteral("model"),
         QStringLiteral("unpack: warn when the archive holds only the other model's slot files; "
                        "compile: check the workspace against MODEL (default: the model whose "
                        "slot files it holds most of)."),
         QStringLiteral("MODEL")},
        {QStringLiteral("strict"),
         QStringLiteral("compile: refuse a workspace with a slot that is not ok or a file of no "
                        "slot, writing nothing.")},
        {QStringLiteral("sheet"),
         QStringLiteral("diff: draw the slots that differ side by side on FILE (a PNG)."),
         QStringLiteral("FILE")},
    };
    return all;
}

} // namespace palvex::cli
