#pragma once

#include <QObject>
#include <QRect>
#include <QTimer>

class QProgressBar;
class QPushButton;
class QWidget;

namespace palvex::editor {

// The progress of a run that lasts: a bar and, for a run that can stop, a Cancel button, in a
// strip of the window no other control uses. They appear once the run has lasted half a
// second, so that short work does not flicker, and go when it ends.
class RunProgress : public QObject {
    Q_OBJECT
public:
    RunProgress(QWidget& window, QRect strip);
    // The strip moves when the window's controls make room on a small screen.
    void place(QRect strip);

    void begin(bool cancellable);
    void setPercent(int percent);
    // While a dialog waits for the user the strip is hidden; the half second starts afresh.
    void pause();
    void resume();
    void end();

signals:
    void cancelClicked();

private:
    void appear();

    QProgressBar* ProgressBar1;
    QPushButton* btnCancel;
    QTimer delay_;
    bool running_ = false;
    bool cancellable_ = false;
};

} // namespace palvex::editor
