#include "platform/trash.h"

#include <QFile>
#include <QString>

namespace palvex::platform {

bool moveToTrash(const std::string& path) {
    return QFile::moveToTrash(QString::fromStdString(path));
}

} // namespace palvex::platform
