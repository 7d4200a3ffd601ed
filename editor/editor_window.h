#pragma once

#include "editor/drop_rules.h"
#include "editor/pipeline_worker.h"
#include "editor/window_relay.h"
#include "editor/window_work.h"
#include "pictures/theme_editor.h"
#include "theme/editor_view.h"
#include "theme/pipeline_ui.h"
#include "theme/slot_catalogue.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

class QAction;
class QComboBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QDropEvent;
class QPlainTextEdit;
class QPushButton;

namespace palvex::editor {

class FitActions;
class PictureBox;
class RunProgress;
class ThemeOverview;

// The editor window of one terminal model. It is hidden, never destroyed, when closed, so
// it shows the same fields, slot and log when it comes back. Its pipelines run on a worker
// thread of its own; the window's thread only shows what they report, and stays free.
class TEditorWindow : public QWidget,
                      public theme::PipelineUi,
                      public theme::EditorView,
                      public WindowWork {
    Q_OBJECT
public:
    // The entries of the preview's context menu.
    void fillPreviewMenu(QMenu& menu);
    // Runs a file dialog and answers the chosen path; replaceable so that tests can script it.
    using FileDialogRunner = std::function<std::optional<QString>(QFileDialog&)>;
    using MessageBoxRunner = std::function<void(QMessageBox&)>;

    TEditorWindow(theme::TerminalModel model, QString workspaceRoot, QWidget* parent = nullptr);
    ~TEditorWindow() override;

    pictures::ThemeEditor& editor() { return editor_; }
    void setFileDialogRunner(FileDialogRunner runner) { runFileDialog_ = std::move(runner); }
    void setMessageBoxRunner(MessageBoxRunner runner) { runMessageBox_ = std::move(runner); }

    // Handlers, named after their control and event.
    void btnFileOpenClick();
    void btnDecompressClick();
    void cboImgChange();
    void btnReplaceClick();
    void btnCompressClick();
    void btnFileOutputClick();
    // Ctrl+Z and the preview's menu: the slot file as it was before the newest change.
    void undoLastChange();
    // Every slot at once, in a window of its own; double-clicking one selects it here.
    void btnOverviewClick();
    void refreshOverview(); // after anything that changes the workspace
    // Unpacks an archive named already (a drop, "Open with") and previews the selected slot.
    void openArchiveFile(const QString& archive);
    // The Cancel button and Escape: the running unpack or compile stops at its next chunk.
    void cancelWork();
    // Whether any work is queued or running.
    bool workPending() const { return workPending_ > 0; }

    // WindowWork
    bool holdingWork() const override { return holdingPending_ > 0; }
    void startWork(Work kind, std::function<void()> job, std::function<void()> done = {}) override;
    void askWindow(const std::function<void()>& call) override;
    void askUser(const std::function<void()>& dialog) override;

    // PipelineUi
    void appendLog(const QString& line) override;
    void showError(const QString& text) override;
    void showMessage(const QString& text) override;
    void beep() override;
    void setBusy(bool busy) override;
    void showProgress(int percent) override;
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

signals:
    // After the workspace has been removed on close; the chooser comes back on it.
    void formClosed();
    // A piece of work has ended and the window shows all it reported.
    void workFinished();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildControls();
    void buildDetails(QPoint at);
    void buildLog();
    void buildDialogs();
    void connectHandlers();
    void fitControls();
    void buildProgress();
    std::optional<QString> runDialog(QFileDialog& dialog, int nameFilter = 0);
    void enableStartingControls(bool enabled);
    void workStarted(Work kind);
    void workEnded(Work kind, const std::function<void()>& done);
    void setUpUndo();
    void setUpKeyboard();
    void setUpDrops();
    void showPreviewMenu(const QPoint& at);
    DropRequest dropRequestAt(const QDropEvent& event) const;
    class WaitingForUser;
    // The questions before work that could lose or spoil work; true to go ahead.
    bool askUserTo(QMessageBox::StandardButton go, QMessageBox::StandardButton stay,
                   const QString& text, const QString& question);
    bool mayDiscardChanges();
    bool mayCompile();
    void buildOverviewButton();

    theme::TerminalModel model_;
    QString workspace_;
    PipelineWorker worker_;
    WindowRelay relay_; // what the pipelines on the worker see of the window
    pictures::ThemeEditor editor_;
    int workPending_ = 0;    // jobs queued or running
    int holdingPending_ = 0; // of them, those that hold the starting controls
    Work running_ = Work::Preview;
    bool slotTextEdited_ = false;
    // Where the focus was before work greyed the controls, and where that sent it.
    QPointer<QWidget> focusBeforeWork_;
    QPointer<QWidget> focusDuringWork_;
    bool closePending_ = false;
    int busyDepth_ = 0;
    FileDialogRunner runFileDialog_;
    MessageBoxRunner runMessageBox_;

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* edtFileBz2 = nullptr;
    QPushButton* btnFileOpen = nullptr;
    QLineEdit* edtOutput = nullptr;
    QPushButton* btnFileOutput = nullptr;
    QComboBox* cboImg = nullptr;
    QPushButton* btnReplace = nullptr;
    QPushButton* btnCompress = nullptr;
    QPlainTextEdit* log = nullptr;
    QPushButton* btnDecompress = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    PictureBox* Image1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* lblFileName = nullptr;
    QLabel* lblFileSize = nullptr;
    QLabel* lblDimension = nullptr;
    PictureBox* ImgFile = nullptr;
    QFileDialog* OpenDialog1 = nullptr;
    QFileDialog* OpenDialog2 = nullptr;
    QFileDialog* OpenPictureDialog1 = nullptr;
    QAction* actUndo = nullptr;
    FitActions* fitActions_ = nullptr;
    QPushButton* btnOverview = nullptr;
    ThemeOverview* overview_ = nullptr;
    RunProgress* progress_ = nullptr;
};

// Korvell: 30 slots below image/.
class TfrmMain : public TEditorWindow {
    Q_OBJECT
public:
    explicit TfrmMain(QString workspaceRoot, QWidget* parent = nullptr)
        : TEditorWindow(theme::TerminalModel::Korvell, std::move(workspaceRoot), parent) {}
};

// Korvell Plus: 20 slots below image/en/.
class TfrmPlus : public TEditorWindow {
    Q_OBJECT
public:
    explicit TfrmPlus(QString workspaceRoot, QWidget* parent = nullptr)
        : TEditorWindow(theme::TerminalModel::KorvellPlus, std::move(workspaceRoot), parent) {}
};

} // namespace palvex::editor
