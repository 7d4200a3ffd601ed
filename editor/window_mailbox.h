#pragma once

#include <QMutex>
#include <QObject>
#include <deque>
#include <functional>
#include <memory>

class QSemaphore;

namespace palvex::editor {

// Carries calls made on a worker thread over to the thread the mailbox lives on (the
// window's), where they run in the order they were made. A burst of calls (thousands of log
// lines) is worked off in slices, so that the window still repaints and answers in between.
class WindowMailbox : public QObject {
    Q_OBJECT
public:
    explicit WindowMailbox(QObject* parent = nullptr);
    ~WindowMailbox() override;

    // Queues the call and returns at once; on the mailbox's own thread it runs at once, after
    // whatever was queued before it.
    void post(std::function<void()> call);
    // Queues the call and waits until it has run. False when the mailbox was closed before it
    // ran: the call never runs then.
    bool ask(std::function<void()> call);
    // Runs everything queued, now; on the mailbox's own thread only.
    void deliverNow();
    // From now on no call runs: those queued are dropped and their askers go on, as do later
    // ones. For the end of the window, while the worker finishes.
    void close();

private:
    struct Letter {
        std::function<void()> call;
        std::shared_ptr<QSemaphore> answered; // for an ask
    };
    void queue(Letter letter);
    void deliver(bool inSlices);

    QMutex mutex_;
    std::deque<Letter> letters_;
    bool deliveryQueued_ = false;
    bool closed_ = false;
};

} // namespace palvex::editor
