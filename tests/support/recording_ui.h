#pragma once

#include "theme/editor_view.h"
#include "theme/pipeline_ui.h"

#include <QImage>
#include <QQueue>
#include <QStringList>

#include <ostream>

// Lets GoogleTest show Qt strings in its messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace palvex::test {

// Stands in for the editor window: records what a pipeline shows, in order, as lines such
// as "log: ...", "error: ...", "message: ...", "beep", "busy" and "idle", and answers the
// dialogs from queues (an empty queue is a cancelled dialog).
class RecordingUi : public theme::PipelineUi, public theme::EditorView {
public:
    QStringList events;
    QQueue<QString> inputArchives, outputArchives, pictures;
    QStringList dialogFolders; // initial folder of each input dialog
    int busyDepth = 0;

    int slot = 0;
    QString input, output, fileName, fileSize, dimension;
    QImage shown, measured;
    bool outputFocused = false;

    QStringList logLines() const;
    QStringList errors() const;

    void appendLog(const QString& line) override { events << "log: " + line; }
    void showError(const QString& text) override { events << "error: " + text; }
    void showMessage(const QString& text) override { events << "message: " + text; }
    void beep() override { events << "beep"; }
    void setBusy(bool busy) override;
    std::optional<QString> chooseInputArchive(const QString& initialFolder) override;
    std::optional<QString> chooseOutputArchive() override { return next(outputArchives); }
    std::optional<QString> choosePicture() override { return next(pictures); }

    int selectedSlot() const override { return slot; }
    void selectSlot(int index) override { slot = index; }
    QString inputFile() const override { return input; }
    void setInputFile(const QString& path) override { input = path; }
    QString outputFile() const override { return output; }
    void focusOutputFile() override { outputFocused = true; }
    void showPicture(const QImage& picture) override { shown = picture; }
    void measurePicture(const QImage& picture) override { measured = picture; }
    QString fileNameCaption() const override { return fileName; }
    void setFileNameCaption(const QString& text) override { fileName = text; }
    void setFileSizeCaption(const QString& text) override { fileSize = text; }
    void setDimensionCaption(const QString& text) override { dimension = text; }

private:
    static std::optional<QString> next(QQueue<QString>& queue);
};

} // namespace palvex::test
