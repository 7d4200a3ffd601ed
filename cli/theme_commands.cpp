#include "cli/theme_commands.h"

#include "cli/console_ui.h"
#include "cli/verify_report.h"
#include "pictures/contact_sheet.h"
#include "pictures/theme_editor.h"
#include "platform/temporary_files.h"
#include "theme/file_functions.h"
#include "theme/output_target.h"
#include "theme/printable_text.h"
#include "theme/texts.h"
#include "theme/theme_archive_check.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <optional>

namespace palvex::cli {

namespace {

// The workspace a command looks at: the one given or, with an archive, a private temporary
// one the archive is unpacked into and that goes on every way out, so that the user's
// workspace is never touched.
class ThemeSource {
public:
    // False after saying why on err.
    bool open(CommandContext& context, theme::TerminalModel model, const QString& archive);
    const QString& workspace() const { return workspace_; }
    const std::optional<QStringList>& archiveProblems() const { return problems_; }

private:
    void unpack(theme::TerminalModel model, const QString& archive);

    std::optional<QTemporaryDir> folder_;
    QString workspace_;
    std::optional<QStringList> problems_;
};

bool ThemeSource::open(CommandContext& context, theme::TerminalModel model,
                       const QString& archive) {
    workspace_ = context.workspace;
    if (archive.isEmpty())
        return true;
    if (!theme::existsAsFile(archive)) {
        context.err << "No such archive: " << QDir::toNativeSeparators(archive) << Qt::endl;
        return false;
    }
    const QString temporary = QString::fromStdString(platform::temporaryFolder());
    if (!temporary.isEmpty())
        folder_.emplace(temporary + QStringLiteral("verify-XXXXXX"));
    if (!folder_ || !folder_->isValid()) {
        context.err << "No private temporary folder to unpack into" << Qt::endl;
        return false;
    }
    workspace_ = folder_->path();
    problems_ = theme::checkThemeArchive(archive);
    unpack(model, archive);
    return true;
}

// What the unpack pipeline reports beyond its progress lines is an archive problem too.
void ThemeSource::unpack(theme::TerminalModel model, const QString& archive) {
    QString said;
    QTextStream sink(&said);
    ConsoleUi ui(sink, sink);
    ui.echoLog = false;
    ui.input = archive;
    pictures::ThemeEditor editor(model, ui, ui, workspace_);
    editor.pipelines().unpack();
    if (ui.errorCount() == 0 && editor.pipelines().archiveErrors() == 0)
        return;
    sink.flush();
    QStringList lines = said.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : ui.logLines)
        if (line != theme::texts::kUnpacking && !line.startsWith(theme::texts::kUnpackedFiles))
            lines << line;
    for (const QString& line : lines)
        *problems_ << QStringLiteral("unpacking: ") + line;
}

// Verifies the workspace, or the archive given as argument archiveAt. A temporary workspace is
// gone before the caller prints anything, so a reader that stops early (verify | head) cannot
// leave it behind.
std::optional<VerifyReport> verifyTheme(CommandContext& context, theme::TerminalModel model,
                                        qsizetype archiveAt) {
    ThemeSource source;
    const QString archive =
        context.arguments.size() > archiveAt ? absolute(context.arguments[archiveAt]) : QString();
    if (!source.open(context, model, archive))
        return std::nullopt;
    return VerifyReport{pictures::ThemeVerification(model, source.workspace()).run(),
                        source.archiveProblems()};
}

} // namespace

int runVerify(CommandContext& context) {
    const auto model = parseModel(context, context.arguments[0]);
    if (!model)
        return 2;
    const auto report = verifyTheme(context, *model, 1);
    if (!report)
        return 1;
    if (context.parser.isSet(QStringLiteral("json")))
        context.out << reportAsJson(*report).toJson(QJsonDocument::Indented) << Qt::flush;
    else
        printReport(context.out, *report);
    return report->passed() ? 0 : 1;
}

int runSheet(CommandContext& context) {
    const auto model = parseModel(context, context.arguments[0]);
    if (!model)
        return 2;
    // Before any work: a forgotten OUT.png leaves the archive where the sheet would go.
    const QString output = absolute(context.arguments[1]);
    const QStringList inputs = context.arguments.mid(2);
    const theme::OutputRules rules{context.workspace,
                                   inputs.isEmpty() ? QStringList()
                                                    : QStringList{absolute(inputs[0])},
                                   {QStringLiteral(".png")}};
    if (const auto refusal = theme::outputRefusal(output, rules)) {
        context.err << theme::printable(*refusal) << Qt::endl;
        return 1;
    }
    const auto report = verifyTheme(context, *model, 2);
    if (!report)
        return 1;
    const pictures::ThemeFindings& findings = report->findings;
    QByteArray png;
    QBuffer buffer(&png);
    QString reason;
    if (!pictures::drawContactSheet(findings).save(&buffer, "PNG") ||
        !theme::writeOutputFile(output, png, &reason)) {
        context.err << theme::printable(QStringLiteral("Cannot write %1: %2")
                                            .arg(QDir::toNativeSeparators(output), reason))
                    << Qt::endl;
        return 1;
    }
    context.out << findings.okCount() << " of " << findings.bySlot.size() << " slots ok, sheet in "
                << QDir::toNativeSeparators(output) << Qt::endl;
    return 0;
}

} // namespace palvex::cli
