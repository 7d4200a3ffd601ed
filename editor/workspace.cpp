#include "editor/workspace.h"

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

} // namespace palvex::editor
