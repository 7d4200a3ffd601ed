#pragma once

#include "theme/editor_view.h"
#include "theme/pipeline_ui.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QTextStream>

namespace palvex::cli {

// The pipelines' user interface on a terminal: log lines on stdout, message boxes on
// stderr, dialogs answered from the command line.
class ConsoleUi : public theme::PipelineUi, public theme::EditorView {
public:
    ConsoleUi(QTextStream& out, QTextStream& err);
    ~ConsoleUi() override;

    bool echoLog = true;                 // log lines to stdout as they come
    QStringList logLines;                // every log line, echoed or not
    std::optional<QString> inputArchive; // what the dialogs answer
    std::optional<QString> outputArchive;
    std::optional<QString> picture;
    int slot = 0;
    QString input, output;
    QString fileName, fileSize, dimension; // the detail labels
    // Names the work on a progress line ("Unpacking 42%") on stderr, shown only when stderr
    // is a terminal and the work has lasted a second, so that scripts see the same output as
    // ever. Empty: no progress line.
    QString progressLabel;

    void appendLog(const QString& line) override;
    void showError(const QString& text) override;
    void showMessage(const QString& text) override;
    void beep() override {}
    void setBusy(bool) override {}
    void showProgress(int percent) override;
    std::optional<QString> chooseInputArchive(const QString&) override { return inputArchive; }
    std::optional<QString> chooseOutputArchive() override { return outputArchive; }
    std::optional<QString> choosePicture() override { return picture; }

    int selectedSlot() const override { return slot; }
    void selectSlot(int index) override { slot = index; }
    QString inputFile() const override { return input; }
    void setInputFile(const QString& path) override { input = path; }
    QString outputFile() const override { return output; }
    void focusOutputFile() override {}
    void showPicture(const QImage&) override {}
    void measurePicture(const QImage&) override {}
    QString fileNameCaption() const override { return fileName; }
    void setFileNameCaption(const QString& text) override { fileName = text; }
    void setFileSizeCaption(const QString& text) override { fileSize = text; }
    void setDimensionCaption(const QString& text) override { dimension = text; }

    int errorCount() const { return errors_; }

private:
    void clearProgress();

    QTextStream& out_;
    QTextStream& err_;
    int errors_ = 0;
    bool onTerminal_;
    bool progressShown_ = false;
    QElapsedTimer clock_;
};

} // namespace palvex::cli
