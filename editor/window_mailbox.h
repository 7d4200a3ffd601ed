#pragma once

#include <QObject>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

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
    // How an asker learns that its call has run, or has been dropped.
    class Reply {
    public:
        void give(bool ran);
        bool await();

    private:
        std::mutex mutex_;
        std::condition_variable given_;
        bool answered_ = false;
        bool ran_ = false;
    };
    struct Letter {
        std::function<void()> call;
        std::shared_ptr<Reply> reply; // for an ask
    };
    bool queue(Letter letter);
    void deliver(bool inSlices);

    std::mutex mutex_;
    std::deque<Letter> letters_;
    bool deliveryQueued_ = false;
    bool closed_ = false;
};

} // namespace palvex::editor
