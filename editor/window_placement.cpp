#include "editor/window_placement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

#include <algorithm>

namespace palvex::editor {

QRect placeWindow(QSize wanted, QSize minimum, QMargins frame, QRect available) {
    const QSize chrome(frame.left() + frame.right(), frame.top() + frame.bottom());
    const QSize client = wanted.boundedTo(available.size() - chrome).expandedTo(minimum);
    QRect outer(QPoint(), client + chrome);
    outer.moveCenter(available.center());
    // A window larger than the screen hangs off its right and bottom edges, not its top.
    outer.moveLeft(std::max(outer.left(), available.left()));
    outer.moveTop(std::max(outer.top(), available.top()));
    return outer.marginsRemoved(frame);
}

namespace {

constexpr char kPlacedBefore[] = "palvexPlacedBefore";

// The window manager's frame as the window has it, once it has been shown; before that (the
// window manager frames a window only after it is shown) the style's idea of a title bar.
QMargins frameMargins(QWidget* window) {
    const QRect outer = window->frameGeometry();
    const QRect inner = window->geometry();
    const QMargins known(inner.left() - outer.left(), inner.top() - outer.top(),
                         outer.right() - inner.right(), outer.bottom() - inner.bottom());
    if (!known.isNull() || window->property(kPlacedBefore).toBool())
        return known;
    const QStyle* style = window->style();
    const int border = style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, window);
    const int title = style->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
    return {border, title + border, border, border};
}

QRect availableArea(const QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

class DialogOnScreen : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            auto* dialog = static_cast<QWidget*>(watched);
            const QRect available = availableArea(dialog);
            if (!available.isEmpty()) {
                const QMargins frame = frameMargins(dialog);
                const QSize room = available.size() - QSize(frame.left() + frame.right(),
                                                            frame.top() + frame.bottom());
                if (dialog->width() > room.width() || dialog->height() > room.height())
                    dialog->resize(dialog->size().boundedTo(room));
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void placeOnScreen(QWidget* window) {
    const QRect available = availableArea(window);
    if (available.isEmpty())
        return;
    window->setGeometry(
        placeWindow(window->size(), window->minimumSize(), frameMargins(window), available));
    window->setProperty(kPlacedBefore, true);
}

void keepDialogOnScreen(QWidget* dialog) {
    dialog->installEventFilter(new DialogOnScreen(dialog));
}

} // namespace palvex::editor
