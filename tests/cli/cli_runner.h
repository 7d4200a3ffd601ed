#pragma once

#include <QString>
#include <QStringList>

namespace palvex::test {

struct CliResult {
    int exitCode = -1;
    QString out;
    QString err;
    QStringList lines() const { return out.split('\n', Qt::SkipEmptyParts); }
};

// Runs the built palvex-theme with the given arguments, as a user would from a shell.
CliResult runTheme(const QStringList& arguments);

} // namespace palvex::test
