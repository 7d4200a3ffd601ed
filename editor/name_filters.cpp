#include "editor/name_filters.h"

#include <QRegularExpression>

namespace palvex::editor {

QStringList qtNameFilters(const QString& pairedFilter) {
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    const QStringList parts = pairedFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        description.remove(trailingPatterns);
        const QString patterns =
            parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
        const QString filter = QLatin1Char('(') + patterns + QLatin1Char(')');
        filters << (description.isEmpty() ? filter : description + QLatin1Char(' ') + filter);
    }
    return filters;
}

} // namespace palvex::editor
