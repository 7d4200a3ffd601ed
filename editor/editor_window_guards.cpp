// The questions the editor window asks before work that could lose or spoil the technician's
// work: discarding uncompiled changes, writing over the archive that was opened, compiling a
// workspace that is no sound theme. Asked on the window's thread before any work is queued;
// the safe answer is the default.
#include "editor/editor_window.h"

#include "theme/compile_findings.h"
#include "theme/file_functions.h"
#include "theme/printable_text.h"
#include "theme/texts.h"

#include <QDir>
#include <QMessageBox>

namespace palvex::editor {

using namespace theme;

namespace {

constexpr qsizetype kFindingsShown = 10;

// The first findings, one a line, and how many more there are.
QString findingsText(const QStringList& findings) {
    QStringList shown;
    for (const QString& finding : findings.first(std::min(findings.size(), kFindingsShown)))
        shown << printable(finding);
    if (findings.size() > kFindingsShown)
        shown << texts::kFindingsMore.arg(findings.size() - kFindingsShown);
    return shown.join(QLatin1Char('\n'));
}

} // namespace

bool TEditorWindow::askUserTo(QMessageBox::StandardButton go, QMessageBox::StandardButton stay,
                              const QString& text, const QString& question) {
    QMessageBox box(QMessageBox::Question, texts::kApplicationTitle, text, go | stay, this);
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(question);
    box.setDefaultButton(stay);
    box.setEscapeButton(stay);
    runMessageBox_(box);
    return box.clickedButton() == box.button(go);
}

// Nothing is asked while the workspace holds no change since its unpack or last compile.
bool TEditorWindow::mayDiscardChanges() {
    if (!editor_.session().changed)
        return true;
    return askUserTo(QMessageBox::Discard, QMessageBox::Cancel, texts::kDiscardChanges, {});
}

bool TEditorWindow::mayCompile() {
    const QString output = outputFile();
    if (output.isEmpty())
        return true; // the compile says what is missing
    if (!inputFile().isEmpty() && resolvedPath(output) == resolvedPath(inputFile()) &&
        !askUserTo(QMessageBox::Yes, QMessageBox::No,
                   texts::kOutputIsOpenedArchive.arg(printable(QDir::toNativeSeparators(output))),
                   {}))
        return false;
    const QStringList findings = compileFindings(model_, workspace_);
    return findings.isEmpty() || askUserTo(QMessageBox::Yes, QMessageBox::No,
                                           texts::kCompileFindings.arg(modelDisplayName(model_)) +
                                               QLatin1Char('\n') + findingsText(findings),
                                           texts::kCompileAnyway);
}

} // namespace palvex::editor
