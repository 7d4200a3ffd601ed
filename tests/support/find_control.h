#pragma once

#include <QObject>
#include <QtGlobal>

namespace palvex::test {

// The child of that name and type; a window test cannot go on without it.
template <typename T> T* control(QObject& parent, const char* name) {
    T* found = parent.findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

} // namespace palvex::test
