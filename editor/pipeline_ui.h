#pragma once

#include <QString>
#include <optional>

namespace palvex::editor {

// How a pipeline talks to the user. The editor window implements it with widgets, the
// command line with stdout and stderr, the tests with a recorder.
class PipelineUi {
public:
    virtual ~PipelineUi() = default;

    virtual void appendLog(const QString& line) = 0;
    virtual void showError(const QString& text) = 0;   // modal, caption "Error", one OK
    virtual void showMessage(const QString& text) = 0; // modal, application title, one OK
    virtual void beep() = 0;
    virtual void setBusy(bool busy) = 0;
    // Lets the window repaint while an archive run goes on.
    virtual void serviceMessages() {}
    // While a pipeline runs, nothing that could start another may be used.
    virtual void setPipelineRunning(bool /*running*/) {}

    // The three file dialogs; nothing when the user cancels.
    virtual std::optional<QString> chooseInputArchive(const QString& initialFolder) = 0;
    virtual std::optional<QString> chooseOutputArchive() = 0;
    virtual std::optional<QString> choosePicture() = 0;
};

// Busy cursor for a scope: restored on every way out, exceptions included.
class BusyCursor {
public:
    explicit BusyCursor(PipelineUi& ui) : ui_(ui) { ui_.setBusy(true); }
    ~BusyCursor() { ui_.setBusy(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    PipelineUi& ui_;
};

// Marks a pipeline as running for a scope: controls come back on every way out.
class PipelineRunning {
public:
    explicit PipelineRunning(PipelineUi& ui) : ui_(ui) { ui_.setPipelineRunning(true); }
    ~PipelineRunning() { ui_.setPipelineRunning(false); }
    PipelineRunning(const PipelineRunning&) = delete;
    PipelineRunning& operator=(const PipelineRunning&) = delete;

private:
    PipelineUi& ui_;
};

} // namespace palvex::editor
