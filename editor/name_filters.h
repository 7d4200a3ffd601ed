#pragma once

#include <QString>
#include <QStringList>

namespace palvex::editor {

// Turns a "description|pattern;pattern|..." filter into Qt's name filters, one per pair,
// each "description (pattern pattern)"; a description's own "(...)" gives way to the
// patterns that really apply.
QStringList qtNameFilters(const QString& pairedFilter);

} // namespace palvex::editor
