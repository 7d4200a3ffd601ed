#include "tests/cli/cli_runner.h"

#include <QProcess>

namespace palvex::test {

CliResult runTheme(const QStringList& arguments, const QString& folder,
                   const QStringList& environment) {
    QProcess process;
    process.setWorkingDirectory(folder);
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const QString& variable : environment)
        variables.insert(variable.section('=', 0, 0), variable.section('=', 1));
    process.setProcessEnvironment(variables);
    process.start(QStringLiteral(PALVEX_THEME), arguments);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace palvex::test
