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
    patterns.removeDuplicates();
    return patterns;
}

const QStringList& archivePatterns() {
    static const QStringList patterns = patternsOf(dialogs::kArchiveFilter)
                                        << QStringLiteral("*.tar");
    return patterns;
}

// The change dialog's kinds, and the bitmaps that some slots hold.
const QStringList& picturePatterns() {
    static const QStringList patterns =
        patternsOf(dialogs::kPictureFilter + QLatin1Char('|') + dialogs::kBitmapFilter);
    return patterns;
}

DropRequest refused(DropRefusal refusal) {
    return {DropKind::Refused, {}, refusal};
}

} // namespace

DropRequest dropRequest(const QList<QUrl>& urls, bool onPreview, bool shiftHeld) {
    if (urls.size() != 1)
        return refused(DropRefusal::NotOneFile);
    if (!urls.front().isLocalFile())
        return refused(DropRefusal::NotLocal);
    const QString path = urls.front().toLocalFile();
    if (!existsAsFile(path))
        return refused(DropRefusal::NotAFile);
    const QString name = QFileInfo(path).fileName();
    if (QDir::match(archivePatterns(), name))
        return {DropKind::Archive, path};
    const bool picture = QDir::match(picturePatterns(), name);
    if (!onPreview)
        return refused(picture || shiftHeld ? DropRefusal::NotOnPreview : DropRefusal::UnknownKind);
    if (shiftHeld)
        return {DropKind::Fit, path}; // any picture Qt reads; the fitting says if it reads none
    if (picture)
        return {DropKind::Picture, path};
    return refused(DropRefusal::UnknownKind);
}

QString refusalLine(const QList<QUrl>& urls, DropRefusal refusal) {
    const QString name = urls.size() == 1 ? urls.front().fileName() : QString();
    QString why;
    switch (refusal) {
    case DropRefusal::NotOneFile:
        why = texts::kDropOneFile;
        break;
    case DropRefusal::NotLocal:
        why = texts::kDropNotLocal.arg(urls.front().toDisplayString());
        break;
    case DropRefusal::NotAFile:
        why = texts::kDropNotAFile.arg(name);
        break;
    case DropRefusal::NotOnPreview:
        why = texts::kDropOnPreview.arg(name);
        break;
    case DropRefusal::UnknownKind:
        why = texts::kDropUnknownKind.arg(name, archivePatterns().join(QStringLiteral(", ")),
                                          picturePatterns().join(QStringLiteral(", ")));
        break;
    case DropRefusal::WorkPending:
        why = texts::kDropWhileWorking;
        break;
    case DropRefusal::None:
        return {};
    }
    return texts::kDropRefused.arg(why);
}

} // namespace palvex::editor
