#pragma once

#include "theme/editor_view.h"
#include "theme/pipeline_ui.h"

namespace palvex::editor {

class PipelineWorker;

// What a pipeline on the worker thread sees of the window: every call is carried to the
// window's thread in order. Log lines, busy states, pictures and captions are posted; the
// dialogs, the message boxes and the fields' contents are asked for, the worker waiting for the
// answer. A pipeline run on the window's own thread reaches the window directly.
class WindowRelay : public theme::PipelineUi, public theme::EditorView {
public:
    WindowRelay(theme::PipelineUi& ui, theme::EditorView& view, PipelineWorker& worker);

    // PipelineUi
    void appendLog(const QString& line) override;
    void showError(const QString& text) override;
    void showMessage(const QString& text) override;
    void beep() override;
    void setBusy(bool busy) override;
    bool cancelRequested() override;
    void showProgress(int percent) override;
    void setPipelineRunning(bool running) override;
    std::optional<QString> chooseInputArchive(const QString& initialFolder) override;
    std::optional<QString> chooseOutputArchive() override;
    std::optional<QString> choosePicture() override;

    // EditorView
    int selectedSlot() const override;
    void selectSlot(int index) override;
    QString inputFile() const override;
    void setInputFile(const QString& path) override;
    QString outputFile() const override;
    void focusOutputFile() override;
    void showPicture(const QImage& picture) override;
    void measurePicture(const QImage& picture) override;
    QString fileNameCaption() const override;
    void setFileNameCaption(const QString& text) override;
    void setFileSizeCaption(const QString& text) override;
    void setDimensionCaption(const QString& text) override;

private:
    template <typename Call> void post(Call call) const;
    // The answer the window gives, or `otherwise` when the window is gone.
    template <typename T, typename Call> T answer(Call call, T otherwise = T()) const;

    theme::PipelineUi& ui_;
    theme::EditorView& view_;
    PipelineWorker& worker_;
};

} // namespace palvex::editor
