#include "editor/drop_rules.h"

#include "theme/file_functions.h"
#include "theme/texts.h"

#include <QDir>
#include <QFileInfo>

namespace palvex::editor {

using namespace theme;

namespace {

// The pattern lists of a "description|patterns|..." filter, together.
QStringList patternsOf(const QString& pairedFilter) {
    const QStringList parts = pairedFilter.split(QLatin1Char('|'));
    QStringList patterns;
    for (qsizetype i = 1; i < parts.size(); i += 2)
        patterns << parts[i].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    return patterns;
}

} // namespace

DropRequest dropRequest(const QList<QUrl>& urls, bool onPreview) {
    if (urls.size() != 1 || !urls.front().isLocalFile())
        return {};
    const QString path = urls.front().toLocalFile();
    if (!existsAsFile(path))
        return {};
    static const QStringList archives = patternsOf(dialogs::kArchiveFilter)
                                        << QStringLiteral("*.tar");
    static const QStringList pictures = patternsOf(dialogs::kPictureFilter);
    const QString name = QFileInfo(path).fileName();
    if (QDir::match(archives, name))
        return {DropKind::Archive, path};
    if (onPreview && QDir::match(pictures, name))
        return {DropKind::Picture, path};
    return {};
}

} // namespace palvex::editor
