#pragma once

#include <QString>
#include <QStringList>

namespace palvex::theme {

// Checks a theme archive the way a terminal reads it: exactly one bzip2 stream and nothing
// after it, holding a tar archive whose entries pass TarEntryRules. Answers the problems
// found, empty when the archive passes. Nothing is written anywhere.
QStringList checkThemeArchive(const QString& path);

} // namespace palvex::theme
