#pragma once

#include <QString>
#include <optional>

namespace palvex::theme {

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
    // Asked at every chunk of an unpack or compile: true stops the run there. The window
    // answers from its Cancel button; a shell never cancels.
    virtual bool cancelRequested() { return false; }
    // How far the running unpack or compile has come, 0 to 100.
    virtual void showProgress(int /*percent*/) {}
    // While a pipeline runs, nothing that could start another may be used.
    virtual void setPipelineRunning(bool /*running*/) {}

    // The three file dialogs; nothing when the user cancels.
    virtual std::optional<QString> chooseInputArchive(const QString& initialFolder) = 0;
    virtual std::optional<QString> chooseOutputArchive() = 0;
    virtual std::optional<QString> choosePicture() = 0;
};

// Turns one of the interface's states on for a scope and off again on every way out,
// exceptions included.
template <void (PipelineUi::*Set)(bool)> class ScopedUiState {
public:
    explicit ScopedUiState(PipelineUi& ui) : ui_(ui) { (ui_.*Set)(true); }
    ~ScopedUiState() { (ui_.*Set)(false); }
    ScopedUiState(const ScopedUiState&) = delete;
    ScopedUiState& operator=(const ScopedUiState&) = delete;

private:
    PipelineUi& ui_;
};

// The busy cursor.
using BusyCursor = ScopedUiState<&PipelineUi::setBusy>;
// A pipeline is running: controls that could start another are off.
using PipelineRunning = ScopedUiState<&PipelineUi::setPipelineRunning>;

} // namespace palvex::theme
