#include "cli/console_ui.h"

#include "theme/printable_text.h"

namespace palvex::cli {

// Lines carry names from archives and workspaces: printed escaped, so that none forges a line
// or drives the terminal. logLines keep them as the pipelines said them.
void ConsoleUi::appendLog(const QString& line) {
    logLines << line;
    if (echoLog)
        out_ << theme::printable(line) << Qt::endl;
}

void ConsoleUi::showError(const QString& text) {
    ++errors_;
    err_ << theme::printable(text) << Qt::endl;
}

void ConsoleUi::showMessage(const QString& text) {
    ++errors_;
    err_ << theme::printable(text) << Qt::endl;
}

} // namespace palvex::cli
