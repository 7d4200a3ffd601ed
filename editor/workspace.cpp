#include "editor/workspace.h"

#include "editor/editor_layout.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace palvex::editor {

QString workspaceRoot() {
#ifdef Q_OS_WIN
    return QStringLiteral("C:/IMAGE");
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/palvex-image-changer/IMAGE");
#endif
}

QString inputStartFolder(TerminalModel model, const QString& programFolder) {
    const QString modelFolder = editorLayout(model).modelFolder;
    // Found relative to the program, so an installation under any prefix finds its samples.
    const QString candidates[] = {
        programFolder + QLatin1Char('/') + modelFolder,
        QDir::cleanPath(programFolder + QStringLiteral("/../share/palvex-image-changer/samples/") +
                        modelFolder) +
            QLatin1Char('/'),
    };
    for (const QString& folder : candidates) {
        if (QFileInfo(folder).isDir())
            return folder;
    }
    return QDir::homePath();
}

} // namespace palvex::editor
