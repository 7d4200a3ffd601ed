#include "cli/console_ui.h"

#include "platform/terminal.h"
#include "theme/printable_text.h"

namespace palvex::cli {

namespace {

constexpr qint64 kProgressAfterMs = 1000;

} // namespace

ConsoleUi::ConsoleUi(QTextStream& out, QTextStream& err)
    : out_(out), err_(err), onTerminal_(platform::standardErrorIsTerminal()) {
    clock_.start();
}

ConsoleUi::~ConsoleUi() {
    clearProgress();
}

// Lines carry names from archives and workspaces: printed escaped, so that none forges a line
// or drives the terminal. logLines keep them as the pipelines said them.
void ConsoleUi::appendLog(const QString& line) {
    logLines << line;
    if (echoLog) {
        clearProgress();
        out_ << theme::printable(line) << Qt::endl;
    }
}

void ConsoleUi::showError(const QString& text) {
    ++errors_;
    clearProgress();
    err_ << theme::printable(text) << Qt::endl;
}

void ConsoleUi::showMessage(const QString& text) {
    ++errors_;
    clearProgress();
    err_ << theme::printable(text) << Qt::endl;
}

void ConsoleUi::showProgress(int percent) {
    if (progressLabel.isEmpty() || !onTerminal_ || clock_.elapsed() < kProgressAfterMs)
        return;
    err_ << '\r' << progressLabel << ' ' << percent << '%' << Qt::flush;
    progressShown_ = true;
}

// The progress line is rubbed out before anything else is written, and when the work ends.
void ConsoleUi::clearProgress() {
    if (!progressShown_)
        return;
    err_ << "\r\x1b[K" << Qt::flush;
    progressShown_ = false;
}

} // namespace palvex::cli
