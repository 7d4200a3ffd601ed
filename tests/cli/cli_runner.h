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

// Runs the built palvex-theme with the given arguments, as a user would from a shell; in
// folder and with the environment's variables set to values ("NAME=value") when given.
CliResult runTheme(const QStringList& arguments, const QString& folder = {},
                   const QStringList& environment = {});

} // namespace palvex::test
