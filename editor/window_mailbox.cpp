#include "editor/window_mailbox.h"

#include <QElapsedTimer>
#include <QThread>

namespace palvex::editor {

namespace {

// How long one delivery may hold the window's thread before it lets other events through.
constexpr qint64 kSliceMs = 10;

} // namespace

void WindowMailbox::Reply::give(bool ran) {
    {
        const std::lock_guard lock(mutex_);
        answered_ = true;
        ran_ = ran;
    }
    given_.notify_all();
}

bool WindowMailbox::Reply::await() {
    std::unique_lock lock(mutex_);
    given_.wait(lock, [this] { return answered_; });
    return ran_;
}

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
    auto reply = std::make_shared<Reply>();
    return queue({std::move(call), reply}) && reply->await();
}

// False when the mailbox is closed: the letter is dropped.
bool WindowMailbox::queue(Letter letter) {
    const std::lock_guard lock(mutex_);
    if (closed_)
        return false;
    letters_.push_back(std::move(letter));
    if (!deliveryQueued_) {
        deliveryQueued_ = true;
        QMetaObject::invokeMethod(
            this, [this] { deliver(true); }, Qt::QueuedConnection);
    }
    return true;
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
            const std::lock_guard lock(mutex_);
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
        // The asker goes on whatever becomes of the call.
        struct Delivery {
            std::shared_ptr<Reply> reply;
            bool ran = false;
            ~Delivery() {
                if (reply)
                    reply->give(ran);
            }
        } delivery{letter.reply};
        letter.call();
        delivery.ran = true;
    }
}

void WindowMailbox::close() {
    std::deque<Letter> dropped;
    {
        const std::lock_guard lock(mutex_);
        closed_ = true;
        dropped.swap(letters_);
    }
    for (const Letter& letter : dropped)
        if (letter.reply)
            letter.reply->give(false);
}

} // namespace palvex::editor
