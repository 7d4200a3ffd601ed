#pragma once

#include "theme/pipeline_ui.h"

#include <optional>

namespace palvex::theme {

// Refuses to start a pipeline while another is running (a click can arrive while an archive
// run services the message queue) and marks the run on the interface.
class OnePipeline {
public:
    OnePipeline(bool& running, PipelineUi& ui) : running_(running), busy_(!running) {
        if (busy_) {
            running_ = true;
            marker_.emplace(ui);
        }
    }
    ~OnePipeline() {
        if (busy_)
            running_ = false;
    }
    explicit operator bool() const { return busy_; }

private:
    bool& running_;
    bool busy_;
    std::optional<PipelineRunning> marker_;
};

} // namespace palvex::theme
