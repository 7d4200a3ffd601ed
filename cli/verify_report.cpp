#include "cli/verify_report.h"

#include "theme/printable_text.h"

#include <QJsonArray>
#include <QJsonObject>

namespace palvex::cli {

namespace {

using pictures::SlotFinding;

QString modelName(theme::TerminalModel model) {
    return model == theme::TerminalModel::Korvell ? QStringLiteral("korvell")
                                                  : QStringLiteral("korvell-plus");
}

} // namespace

QString summary(const VerifyReport& report) {
    const pictures::ThemeFindings& f = report.findings;
    QString line = QStringLiteral("%1: %2 of %3 slots ok")
                       .arg(modelName(f.model))
                       .arg(f.okCount())
                       .arg(f.bySlot.size());
    if (report.archiveProblems)
        line += report.archiveProblems->isEmpty()
                    ? QStringLiteral(", archive ok")
                    : QStringLiteral(", archive: %1 problems").arg(report.archiveProblems->size());
    return line + QStringLiteral(", %1 extra files").arg(f.extraFiles.size());
}

namespace {

QJsonObject slotAsJson(const SlotFinding& s) {
    QJsonObject slot{{"index", s.index},
                     {"label", s.label},
                     {"path", s.relativePath},
                     {"status", pictures::slotStatusName(s.status)},
                     {"limits", QJsonObject{{"kb", s.limits.maxSizeKb},
                                            {"height", s.limits.maxHeight},
                                            {"width", s.limits.maxWidth}}}};
    if (s.bytes) {
        slot["bytes"] = static_cast<double>(*s.bytes);
        slot["kb"] = static_cast<double>(*s.bytes) / 1024.0;
    }
    if (s.dimensions.isValid()) {
        slot["height"] = s.dimensions.height();
        slot["width"] = s.dimensions.width();
    }
    if (!s.problem.isEmpty())
        slot["problem"] = s.problem;
    return slot;
}

} // namespace

// Each field escaped on its own, tabs included: names from the archive never forge a field,
// a line or a summary.
void printReport(QTextStream& out, const VerifyReport& report, bool problemsOnly) {
    using theme::printable;
    for (const SlotFinding& s : report.findings.bySlot)
        if (!problemsOnly || !s.ok())
            out << s.index << '\t' << printable(s.label) << '\t' << printable(s.relativePath)
                << '\t' << pictures::slotStatusName(s.status) << '\t'
                << printable(pictures::findingDetails(s)) << '\n';
    if (report.archiveProblems)
        for (const QString& problem : *report.archiveProblems)
            out << "archive\t" << printable(problem) << '\n';
    for (const QString& extra : report.findings.extraFiles)
        if (!problemsOnly)
            out << "extra\t" << printable(extra) << '\n';
    out << summary(report) << Qt::endl;
}

QJsonDocument reportAsJson(const VerifyReport& report) {
    QJsonArray slots_;
    for (const SlotFinding& s : report.findings.bySlot)
        slots_.append(slotAsJson(s));
    QJsonObject root{{"model", modelName(report.findings.model)},
                     {"slots", slots_},
                     {"extra", QJsonArray::fromStringList(report.findings.extraFiles)},
                     {"ok", report.passed()},
                     {"summary", summary(report)}};
    if (report.archiveProblems)
        root["archive"] =
            QJsonObject{{"ok", report.archiveProblems->isEmpty()},
                        {"problems", QJsonArray::fromStringList(*report.archiveProblems)}};
    return QJsonDocument(root);
}

} // namespace palvex::cli
