#include "editor/window_mailbox.h"

#include <QElapsedTimer>
#include <QSemaphore>
#include <QThread>

namespace palvex::editor {

namespace {

// How long one delivery may hold the window's thread before it lets other events through.
constexpr qint64 kSliceMs = 10;

// Lets an asker go on once its call has run, or has been dropped, on every way out.
struct Answer {
    std::shared_ptr<QSemaphore> answered;
    ~Answer() {
        if (answered)
            answered->release();
    }
};

} // namespace

WindowMailbox::WindowMailbox(QObject* parent) : QObject(parent) {}

WindowMailbox::~WindowMailbox() {
    close();
}

void WindowMailbox::post(std::function<void()> call) {
    if (QThread::currentThread() == thread()) {
        deliverNow();
        call();
        return;
    }
    queue({std::move(call), nullptr});
}

bool WindowMailbox::ask(std::function<void()> call) {
    if (QThread::currentThread() == thread()) {
        deliverNow();
        call();
        return true;
    }
    auto answered = std::make_shared<QSemaphore>();
    bool ran = false;
    queue({[&] {
               call();
               ran = true;
           },
           answered});
    answered->acquire();
    return ran; // written before the release the acquire waited for
}

void WindowMailbox::queue(Letter letter) {
    const QMutexLocker lock(&mutex_);
    if (closed_) {
        Answer{letter.answered};
        return;
    }
    letters_.push_back(std::move(letter));
    if (!deliveryQueued_) {
        deliveryQueued_ = true;
        QMetaObject::invokeMethod(
            this, [this] { deliver(true); }, Qt::QueuedConnection);
    }
}

void WindowMailbox::deliverNow() {
    deliver(false);
}

// One letter at a time, so that a call that opens a dialog (and with it an event loop) finds
// the mailbox in order.
void WindowMailbox::deliver(bool inSlices) {
    QElapsedTimer slice;
    slice.start();
    for (;;) {
        Letter letter;
        {
            const QMutexLocker lock(&mutex_);
            if (letters_.empty() || closed_) {
                deliveryQueued_ = deliveryQueued_ && !inSlices;
                return;
            }
            if (inSlices && slice.elapsed() >= kSliceMs) {
                QMetaObject::invokeMethod(
                    this, [this] { deliver(true); }, Qt::QueuedConnection);
                return;
            }
            letter = std::move(letters_.front());
            letters_.pop_front();
        }
        const Answer answer{letter.answered};
        letter.call();
    }
}

void WindowMailbox::close() {
    std::deque<Letter> dropped;
    {
        const QMutexLocker lock(&mutex_);
        closed_ = true;
        dropped.swap(letters_);
    }
    for (Letter& letter : dropped)
        Answer{letter.answered};
}

} // namespace palvex::editor
