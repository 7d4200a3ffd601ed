#include "cli/console_ui.h"

namespace palvex::cli {

void ConsoleUi::appendLog(const QString& line) {
    logLines << line;
    if (echoLog)
        out_ << line << Qt::endl;
}

void ConsoleUi::showError(const QString& text) {
    ++errors_;
    err_ << text << Qt::endl;
}

void ConsoleUi::showMessage(const QString& text) {
    ++errors_;
    err_ << text << Qt::endl;
}

} // namespace palvex::cli
