#include "editor/pipeline_worker.h"

#include <QDebug>
#include <QThread>
#include <exception>

namespace palvex::editor {

PipelineWorker::PipelineWorker(QObject* parent)
    : QObject(parent), thread_(QThread::create([this] { serve(); })) {
    thread_->setObjectName(QStringLiteral("pipelines"));
    thread_->start();
}

PipelineWorker::~PipelineWorker() {
    stop();
}

void PipelineWorker::run(std::function<void()> job, std::function<void()> started,
                         std::function<void()> done) {
    {
        const std::lock_guard lock(mutex_);
        if (stopping_)
            return;
        jobs_.push_back({std::move(job), std::move(started), std::move(done)});
    }
    queued_.notify_one();
}

void PipelineWorker::serve() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            queued_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (stopping_)
                return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
            cancel_ = false; // under the lock: a stop from now on cancels this job
        }
        mailbox_.post(std::move(job.started));
        try {
            job.work();
        } catch (const std::exception& error) {
            // The pipelines report their own failures; this is a fault of the program.
            qWarning() << "a pipeline failed:" << error.what();
        }
        mailbox_.post(std::move(job.done));
    }
}

void PipelineWorker::stop() {
    {
        const std::lock_guard lock(mutex_);
        if (stopping_)
            return;
        stopping_ = true;
        jobs_.clear();
        cancel_ = true;
    }
    queued_.notify_all();
    mailbox_.close();
    thread_->wait();
}

} // namespace palvex::editor
