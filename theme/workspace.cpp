#include "theme/workspace.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace palvex::theme {

QString workspaceRoot() {
#ifdef Q_OS_WIN
    return QStringLiteral("C:/IMAGE");
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/palvex-image-changer/IMAGE");
#endif
}

QString inputStartFolder(TerminalModel model, const QString& programFolder) {
    const QString folder = modelFolder(model);
    // Found relative to the program, so an installation under any prefix finds its samples.
    const QString candidates[] = {
        programFolder + QLatin1Char('/') + folder,
        QDir::cleanPath(programFolder + QStringLiteral("/../share/palvex-image-changer/samples/") +
                        folder) +
            QLatin1Char('/'),
    };
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isDir())
            return candidate;
    }
    return QDir::homePath();
}

} // namespace palvex::theme
