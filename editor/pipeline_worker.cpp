#include "editor/pipeline_worker.h"

#include <QDebug>
#include <exception>

namespace palvex::editor {

PipelineWorker::PipelineWorker(QObject* parent) : QObject(parent), context_(new QObject) {
    thread_.setObjectName(QStringLiteral("pipelines"));
    context_->moveToThread(&thread_);
    thread_.start();
}

PipelineWorker::~PipelineWorker() {
    stop();
    delete context_; // its thread has ended
}

void PipelineWorker::run(std::function<void()> job, std::function<void()> started,
                         std::function<void()> done) {
    QMetaObject::invokeMethod(
        context_,
        [this, job = std::move(job), started = std::move(started), done = std::move(done)] {
            cancel_ = false; // before the look at stopped_: a stop in between still cancels
            if (stopped_)
                return;
            mailbox_.post(started);
            try {
                job();
            } catch (const std::exception& error) {
                // The pipelines report their own failures; this is a fault of the program.
                qWarning() << "a pipeline failed:" << error.what();
            }
            mailbox_.post(done);
        },
        Qt::QueuedConnection);
}

void PipelineWorker::stop() {
    if (!thread_.isRunning())
        return;
    stopped_ = true;
    mailbox_.close();
    cancel_ = true;
    thread_.quit(); // jobs still queued never start
    thread_.wait();
}

} // namespace palvex::editor
