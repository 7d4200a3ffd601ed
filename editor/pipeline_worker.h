#pragma once

#include "editor/window_mailbox.h"

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class QThread;

namespace palvex::editor {

// The one thread a window's pipelines run on, one job after another, so that the window's own
// thread only shows what they report. What a job says to the window goes through the mailbox.
class PipelineWorker : public QObject {
    Q_OBJECT
public:
    explicit PipelineWorker(QObject* parent = nullptr);
    ~PipelineWorker() override;

    WindowMailbox& mailbox() { return mailbox_; }

    // Queues a job. On the window's thread, in order with what the job posts, `started` runs
    // as it starts and `done` once it has ended.
    void run(std::function<void()> job, std::function<void()> started, std::function<void()> done);
    // Asks the running job to stop at its next chunk; a job that starts later starts afresh.
    void requestCancel() { cancel_ = true; }
    bool cancelRequested() const { return cancel_; }
    // Drops the queued jobs, stops the running one at its next chunk and waits for it, telling
    // the window nothing more. After this no job runs.
    void stop();

private:
    struct Job {
        std::function<void()> work, started, done;
    };
    void serve();

    WindowMailbox mailbox_;
    std::mutex mutex_;
    std::condition_variable queued_;
    std::deque<Job> jobs_;
    bool stopping_ = false;
    std::atomic<bool> cancel_{false};
    std::unique_ptr<QThread> thread_;
};

} // namespace palvex::editor
