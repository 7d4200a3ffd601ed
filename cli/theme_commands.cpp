#include "cli/theme_commands.h"

#include "cli/verify_report.h"
#include "pictures/contact_sheet.h"
#include "pictures/theme_comparison.h"
#include "theme/file_functions.h"
#include "theme/output_target.h"
#include "theme/printable_text.h"
#include "theme/size_text.h"
#include "theme/unpacked_theme.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <optional>

namespace palvex::cli {

namespace {

// The workspace a command looks at: a folder as it is or, for an archive, a private temporary
// one the archive is unpacked into, so that the user's workspace is never touched.
class ThemeSource {
public:
    // An empty path stands for the command's workspace. False after saying why on err.
    bool open(CommandContext& context, theme::TerminalModel model, const QString& path);
    const QString& workspace() const { return workspace_; }
    const std::optional<QStringList>& archiveProblems() const { return problems_; }

private:
    theme::UnpackedTheme unpacked_;
    QString workspace_;
    std::optional<QStringList> problems_;
};

bool ThemeSource::open(CommandContext& context, theme::TerminalModel model, const QString& path) {
    workspace_ = path.isEmpty() ? context.workspace : path;
    if (path.isEmpty() || QFileInfo(path).isDir())
        return true;
    if (!theme::existsAsFile(path)) {
        context.err << "No such archive: " << theme::printable(QDir::toNativeSeparators(path))
                    << Qt::endl;
        return false;
    }
    const auto maxSize = parseMaxSize(context);
    if (!maxSize)
        return false;
    unpacked_.setMaxSize(*maxSize);
    QString error;
    if (!unpacked_.unpack(model, path, &error)) {
        context.err << error << Qt::endl;
        return false;
    }
    workspace_ = unpacked_.workspace();
    problems_ = unpacked_.problems();
    return true;
}

// Verifies the workspace, or the archive given as argument archiveAt, with thumbnails of the
// given size. A temporary workspace is gone before the caller prints anything, so a reader that
// stops early (verify | head) cannot leave it behind.
std::optional<VerifyReport> verifyTheme(CommandContext& context, theme::TerminalModel model,
                                        qsizetype archiveAt, QSize thumbnailBox = {}) {
    ThemeSource source;
    const QString archive =
        context.arguments.size() > archiveAt ? absolute(context.arguments[archiveAt]) : QString();
    if (!archive.isEmpty() && QFileInfo(archive).isDir()) {
        context.err << "Not an archive: " << theme::printable(QDir::toNativeSeparators(archive))
                    << Qt::endl;
        return std::nullopt;
    }
    if (!source.open(context, model, archive))
        return std::nullopt;
    return VerifyReport{pictures::ThemeVerification(model, source.workspace()).run(thumbnailBox),
                        source.archiveProblems()};
}

// Written beside the output and renamed over it, as every output is.
bool writeSheet(CommandContext& context, const QImage& sheet, const QString& output) {
    QByteArray png;
    QBuffer buffer(&png);
    QString reason;
    if (sheet.save(&buffer, "PNG") && theme::writeOutputFile(output, png, &reason))
        return true;
    context.err << theme::printable(QStringLiteral("Cannot write %1: %2")
                                        .arg(QDir::toNativeSeparators(output), reason))
                << Qt::endl;
    return false;
}

// ---- diff

QString modelName(theme::TerminalModel model) {
    return model == theme::TerminalModel::Korvell ? QStringLiteral("korvell")
                                                  : QStringLiteral("korvell-plus");
}

// "A: 12.06 kb H:210 W:320", and the status when the slot is not ok.
QString sideText(const QString& side, const pictures::SlotFinding& finding) {
    QString text = side + QStringLiteral(":");
    if (finding.bytes)
        text +=
            QStringLiteral(" ") + theme::formatByteSizeAsKb(*finding.bytes) + QStringLiteral(" kb");
    if (finding.dimensions.isValid())
        text += QStringLiteral(" ") + theme::dimensionsText(finding.dimensions);
    if (!finding.ok())
        text += QStringLiteral(" ") + pictures::slotStatusName(finding.status);
    return text;
}

QString diffSummary(const pictures::ThemeComparison& c) {
    using pictures::Difference;
    return QStringLiteral("%1: %2 of %3 slots the same, %4 changed, %5 only in A, %6 only in B; "
                          "%7 of %8 files of no slot differ")
        .arg(modelName(c.model))
        .arg(c.slotsWith(Difference::Same))
        .arg(c.bySlot.size())
        .arg(c.slotsWith(Difference::Changed))
        .arg(c.slotsWith(Difference::OnlyInA))
        .arg(c.slotsWith(Difference::OnlyInB))
        .arg(c.extraFiles.size() - c.extraFilesWith(Difference::Same))
        .arg(c.extraFiles.size());
}

// Two themes compared, with what was wrong with each side's archive.
struct DiffResult {
    pictures::ThemeComparison comparison;
    std::optional<QStringList> problemsA, problemsB;
};

// As verifyTheme, the temporary workspaces are gone when this returns.
std::optional<DiffResult> compareSources(CommandContext& context, theme::TerminalModel model,
                                         const QStringList& paths, QSize thumbnailBox) {
    ThemeSource a, b;
    if (!a.open(context, model, paths[0]) || !b.open(context, model, paths[1]))
        return std::nullopt;
    return DiffResult{pictures::compareThemes(model, a.workspace(), b.workspace(), thumbnailBox),
                      a.archiveProblems(), b.archiveProblems()};
}

void printArchiveProblems(QTextStream& out, const QString& side,
                          const std::optional<QStringList>& problems) {
    if (problems)
        for (const QString& problem : *problems)
            out << "archive\t" << side << '\t' << theme::printable(problem, true) << '\n';
}

void printComparison(QTextStream& out, const pictures::ThemeComparison& comparison) {
    using pictures::Difference;
    for (const pictures::SlotComparison& slot : comparison.bySlot) {
        out << slot.a.index << '\t' << theme::printable(slot.a.label) << '\t'
            << theme::printable(slot.a.relativePath) << '\t'
            << pictures::differenceName(slot.difference);
        if (slot.difference != Difference::Same && slot.difference != Difference::OnlyInB)
            out << '\t' << sideText(QStringLiteral("A"), slot.a);
        if (slot.difference != Difference::Same && slot.difference != Difference::OnlyInA)
            out << '\t' << sideText(QStringLiteral("B"), slot.b);
        if (slot.similarity)
            out << "\tsimilarity " << QString::number(*slot.similarity, 'f', 4);
        out << '\n';
    }
    for (const pictures::ExtraFileComparison& file : comparison.extraFiles)
        out << "extra\t" << pictures::differenceName(file.difference) << '\t'
            << theme::printable(file.relativePath) << '\n';
    out << diffSummary(comparison) << Qt::endl;
}

QJsonObject sideAsJson(const pictures::SlotFinding& finding) {
    QJsonObject side{{"status", pictures::slotStatusName(finding.status)}};
    if (finding.bytes) {
        side["bytes"] = static_cast<double>(*finding.bytes);
        side["kb"] = static_cast<double>(*finding.bytes) / 1024.0;
    }
    if (finding.dimensions.isValid()) {
        side["height"] = finding.dimensions.height();
        side["width"] = finding.dimensions.width();
    }
    return side;
}

QJsonDocument comparisonAsJson(const DiffResult& result) {
    const pictures::ThemeComparison& comparison = result.comparison;
    QJsonArray slots_;
    for (const pictures::SlotComparison& slot : comparison.bySlot) {
        QJsonObject entry{{"index", slot.a.index},
                          {"label", slot.a.label},
                          {"path", slot.a.relativePath},
                          {"difference", pictures::differenceName(slot.difference)},
                          {"a", sideAsJson(slot.a)},
                          {"b", sideAsJson(slot.b)}};
        if (slot.similarity)
            entry["similarity"] = *slot.similarity;
        slots_.append(entry);
    }
    QJsonArray extra;
    for (const pictures::ExtraFileComparison& file : comparison.extraFiles)
        extra.append(QJsonObject{{"path", file.relativePath},
                                 {"difference", pictures::differenceName(file.difference)}});
    QJsonObject root{{"model", modelName(comparison.model)},
                     {"slots", slots_},
                     {"extra", extra},
                     {"same", comparison.same()},
                     {"summary", diffSummary(comparison)}};
    const auto problems = [](const std::optional<QStringList>& list) {
        return list ? QJsonArray::fromStringList(*list) : QJsonArray();
    };
    root["archive"] =
        QJsonObject{{"a", problems(result.problemsA)}, {"b", problems(result.problemsB)}};
    return QJsonDocument(root);
}

QImage comparisonSheet(const pictures::ThemeComparison& comparison, const QStringList& names) {
    QList<pictures::SlotPair> pairs;
    for (const pictures::SlotComparison& slot : comparison.bySlot)
        if (slot.difference != pictures::Difference::Same)
            pairs << pictures::SlotPair{slot.a, slot.b};
    using pictures::Difference;
    const QString title = QStringLiteral("%1: %2 changed, %3 only in A, %4 only in B")
                              .arg(modelName(comparison.model))
                              .arg(comparison.slotsWith(Difference::Changed))
                              .arg(comparison.slotsWith(Difference::OnlyInA))
                              .arg(comparison.slotsWith(Difference::OnlyInB));
    QStringList sides;
    for (int i = 0; i < 2; ++i)
        sides << QStringLiteral("%1: %2")
                     .arg(QChar('A' + i))
                     .arg(theme::printable(QDir::toNativeSeparators(names.value(i))));
    return pictures::drawComparisonSheet(comparison.model, pairs, title, sides);
}

// A sheet is a PNG that goes neither over nor into one of the themes compared.
bool sheetOutputAllowed(CommandContext& context, const QString& output, const QStringList& inputs) {
    std::optional<QString> refusal =
        theme::outputRefusal(output, {context.workspace, inputs, {QStringLiteral(".png")}});
    for (const QString& input : inputs)
        if (!refusal && output.startsWith(input + QLatin1Char('/')))
            refusal = QStringLiteral("The sheet would land inside a theme compared: %1")
                          .arg(QDir::toNativeSeparators(output));
    if (refusal)
        context.err << theme::printable(*refusal) << Qt::endl;
    return !refusal;
}

} // namespace

int runVerify(CommandContext& context) {
    const auto model = parseModel(context, context.arguments[0]);
    if (!model || !parseMaxSize(context))
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

// The same findings and exit status as verify, with the problems printed and every slot drawn.
int runSheet(CommandContext& context) {
    const auto model = parseModel(context, context.arguments[0]);
    if (!model || !parseMaxSize(context))
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
    const auto report =
        verifyTheme(context, *model, 2, pictures::sheetGeometry(*model).thumbnailBox());
    if (!report)
        return 1;
    if (!writeSheet(context, pictures::drawContactSheet(report->findings, summary(*report)),
                    output))
        return 1;
    printReport(context.out, *report, true);
    context.out << "Sheet in " << theme::printable(QDir::toNativeSeparators(output)) << Qt::endl;
    return report->passed() ? 0 : 1;
}

int runDiff(CommandContext& context) {
    const auto model = parseModel(context, context.arguments[0]);
    if (!model || !parseMaxSize(context))
        return 2;
    const QStringList paths{absolute(context.arguments[1]), absolute(context.arguments[2])};
    const QString sheet = context.parser.isSet(QStringLiteral("sheet"))
                              ? absolute(context.parser.value(QStringLiteral("sheet")))
                              : QString();
    if (!sheet.isEmpty() && !sheetOutputAllowed(context, sheet, paths))
        return 2;
    const QSize thumbnails =
        sheet.isEmpty() ? QSize() : pictures::sheetGeometry(*model).thumbnailBox();
    const std::optional<DiffResult> result = compareSources(context, *model, paths, thumbnails);
    if (!result)
        return 2;
    const pictures::ThemeComparison& comparison = result->comparison;
    if (!sheet.isEmpty() && !writeSheet(context, comparisonSheet(comparison, paths), sheet))
        return 2;
    if (context.parser.isSet(QStringLiteral("json"))) {
        context.out << comparisonAsJson(*result).toJson(QJsonDocument::Indented) << Qt::flush;
    } else {
        printArchiveProblems(context.out, QStringLiteral("A"), result->problemsA);
        printArchiveProblems(context.out, QStringLiteral("B"), result->problemsB);
        printComparison(context.out, comparison);
    }
    return comparison.same() ? 0 : 1;
}

} // namespace palvex::cli
