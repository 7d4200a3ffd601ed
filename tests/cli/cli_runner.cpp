#include "tests/cli/cli_runner.h"

#include <QProcess>

namespace palvex::test {

CliResult runTheme(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(PALVEX_THEME), arguments);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace palvex::test
