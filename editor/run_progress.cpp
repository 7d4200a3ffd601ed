#include "editor/run_progress.h"

#include <QProgressBar>
#include <QPushButton>

namespace palvex::editor {

namespace {

constexpr int kAppearAfterMs = 500;
constexpr QSize kButton(75, 25);
constexpr int kGap = 6;
constexpr int kBarHeight = 21;

} // namespace

RunProgress::RunProgress(QWidget& window, QRect strip)
    : QObject(&window), ProgressBar1(new QProgressBar(&window)),
      btnCancel(new QPushButton(QStringLiteral("Cancel"), &window)) {
    setObjectName(QStringLiteral("RunProgress"));
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    place(strip);
    ProgressBar1->hide();
    btnCancel->hide();
    btnCancel->setFocusPolicy(Qt::NoFocus); // the tab order stays that of the drawn controls
    connect(btnCancel, &QPushButton::clicked, this, [this] {
        btnCancel->setEnabled(false); // taken: the run stops at its next chunk
        emit cancelClicked();
    });
    delay_.setSingleShot(true);
    delay_.setInterval(kAppearAfterMs);
    connect(&delay_, &QTimer::timeout, this, &RunProgress::appear);
}

void RunProgress::place(QRect strip) {
    btnCancel->setGeometry(QRect(
        QPoint(strip.right() + 1 - kButton.width(), strip.center().y() - kButton.height() / 2),
        kButton));
    ProgressBar1->setGeometry(strip.left(), strip.center().y() - kBarHeight / 2,
                              btnCancel->x() - kGap - strip.left(), kBarHeight);
}

void RunProgress::begin(bool cancellable) {
    running_ = true;
    cancellable_ = cancellable;
    ProgressBar1->setRange(0, 0); // moving to and fro until a run reports how far it is
    delay_.start();
}

void RunProgress::setPercent(int percent) {
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(percent);
}

void RunProgress::pause() {
    delay_.stop();
    ProgressBar1->hide();
    btnCancel->hide();
}

void RunProgress::resume() {
    if (running_)
        delay_.start();
}

void RunProgress::end() {
    running_ = false;
    pause();
}

void RunProgress::appear() {
    ProgressBar1->show();
    btnCancel->setVisible(cancellable_);
    btnCancel->setEnabled(true);
}

} // namespace palvex::editor
