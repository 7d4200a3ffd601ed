#pragma once

#include <functional>

namespace palvex::editor {

// The kinds of work an editor window hands to its worker thread.
enum class Work {
    Preview, // showing the selected slot: the controls stay usable
    Slot,    // a change, an undo, a fitting: nothing else may start meanwhile
    Archive, // an unpack or a compile: nothing else may start, and Cancel stops it
};

// How the parts of an editor window start work on its worker thread and, from there, reach
// the window's own thread.
class WindowWork {
public:
    virtual ~WindowWork() = default;

    // Whether a change, an unpack or a compile is queued or running.
    virtual bool holdingWork() const = 0;
    // Queues the job unless it holds the controls while other such work is pending; `done`
    // runs on the window's thread after it.
    virtual void startWork(Work kind, std::function<void()> job,
                           std::function<void()> done = {}) = 0;
    // From a job: runs the call on the window's thread and waits for it.
    virtual void askWindow(const std::function<void()>& call) = 0;
    // The same for a dialog: meanwhile the window does not look busy.
    virtual void askUser(const std::function<void()>& dialog) = 0;
};

} // namespace palvex::editor
