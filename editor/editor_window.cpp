#include "editor/editor_window.h"

#include "editor/fit_actions.h"
#include "editor/run_progress.h"
#include "editor/theme_overview.h"
#include "editor/window_placement.h"
#include "theme/printable_text.h"
#include "theme/texts.h"
#include "theme/workspace_removal.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>

namespace palvex::editor {

using namespace theme;
using namespace pictures;

TEditorWindow::TEditorWindow(TerminalModel model, QString workspaceRoot, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(model), workspace_(std::move(workspaceRoot)),
      relay_(*this, *this, worker_), editor_(model, relay_, relay_, workspace_) {
    runFileDialog_ = [](QFileDialog& dialog) -> std::optional<QString> {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().constFirst();
    };
    runMessageBox_ = [](QMessageBox& box) {
        box.exec();
    };
    buildControls();
    connectHandlers();
    setUpUndo();
    setUpDrops();
    buildOverviewButton();
    setUpKeyboard();
    fitControls();
    auto* cancel = new QAction(this);
    cancel->setShortcut(Qt::Key_Escape);
    addAction(cancel);
    connect(cancel, &QAction::triggered, this, &TEditorWindow::cancelWork);
}

// The worker ends before anything it could reach goes; nothing it says is shown any more.
TEditorWindow::~TEditorWindow() {
    worker_.stop();
}

void TEditorWindow::connectHandlers() {
    connect(btnFileOpen, &QPushButton::clicked, this, &TEditorWindow::btnFileOpenClick);
    connect(btnDecompress, &QPushButton::clicked, this, &TEditorWindow::btnDecompressClick);
    connect(btnReplace, &QPushButton::clicked, this, &TEditorWindow::btnReplaceClick);
    connect(btnCompress, &QPushButton::clicked, this, &TEditorWindow::btnCompressClick);
    connect(btnFileOutput, &QPushButton::clicked, this, &TEditorWindow::btnFileOutputClick);
    // Picking an entry and typing in the edit part both count as a change; typed text
    // leaves no entry selected.
    connect(cboImg, &QComboBox::activated, this, [this] {
        slotTextEdited_ = false;
        cboImgChange();
    });
    connect(cboImg->lineEdit(), &QLineEdit::textEdited, this, [this] {
        slotTextEdited_ = true;
        cboImgChange();
    });
}

void TEditorWindow::btnFileOpenClick() {
    if (holdingWork() || !mayDiscardChanges())
        return;
    startWork(
        Work::Archive, [this] { editor_.openArchive(); }, [this] { refreshOverview(); });
}

void TEditorWindow::openArchiveFile(const QString& archive) {
    if (holdingWork() || !mayDiscardChanges())
        return;
    startWork(
        Work::Archive, [this, archive] { editor_.openArchiveFile(archive); },
        [this] { refreshOverview(); });
}

void TEditorWindow::btnDecompressClick() {
    if (holdingWork() || !mayDiscardChanges())
        return;
    startWork(
        Work::Archive, [this] { editor_.pipelines().unpack(); }, [this] { refreshOverview(); });
}

void TEditorWindow::cboImgChange() {
    startWork(Work::Preview, [this] { editor_.slotEditor().previewSelectedSlot(); });
}

void TEditorWindow::btnReplaceClick() {
    startWork(
        Work::Slot, [this] { editor_.slotEditor().changePicture(); },
        [this] { refreshOverview(); });
}

void TEditorWindow::btnCompressClick() {
    if (holdingWork() || !mayCompile())
        return;
    startWork(Work::Archive, [this] { editor_.pipelines().compile(); });
}

void TEditorWindow::btnFileOutputClick() {
    if (const std::optional<QString> chosen = chooseOutputArchive())
        edtOutput->setText(QDir::toNativeSeparators(*chosen));
}

// Ctrl+Z and the preview's menu: the slot file as it was before the newest change.
void TEditorWindow::undoLastChange() {
    startWork(
        Work::Slot, [this] { editor_.slotEditor().undoChange(); }, [this] { refreshOverview(); });
}

void TEditorWindow::btnOverviewClick() {
    if (!overview_) {
        overview_ = new ThemeOverview(model_, workspace_, this);
        connect(overview_, &ThemeOverview::slotChosen, this, [this](int index) {
            if (holdingWork())
                return;
            slotTextEdited_ = false;
            cboImg->setCurrentIndex(index);
            cboImgChange();
        });
    }
    if (overview_->isVisible())
        overview_->refresh();
    overview_->show(); // on showing, it verifies the workspace afresh
    overview_->raise();
    overview_->activateWindow();
}

void TEditorWindow::refreshOverview() {
    if (overview_ && overview_->isVisible())
        overview_->refresh();
}

// Log lines and boxes carry names from archives: shown escaped, so that none forges a line.
void TEditorWindow::appendLog(const QString& line) {
    log->appendPlainText(printable(line));
}

// Work runs on the worker one piece after another. A change, an unpack or a compile holds the
// controls that could start another from the moment it is asked for until it has ended; while
// it is pending, more such work is refused, as a click on a greyed button would be.
void TEditorWindow::startWork(Work kind, std::function<void()> job, std::function<void()> done) {
    const bool holding = kind != Work::Preview;
    if (holding && holdingWork())
        return;
    ++workPending_;
    if (holding && holdingPending_++ == 0)
        enableStartingControls(false);
    worker_.run(
        std::move(job), [this, kind] { workStarted(kind); },
        [this, kind, done = std::move(done)] { workEnded(kind, done); });
}

void TEditorWindow::askWindow(const std::function<void()>& call) {
    worker_.mailbox().ask(call);
}

void TEditorWindow::workStarted(Work kind) {
    running_ = kind;
    progress_->begin(kind == Work::Archive);
}

void TEditorWindow::workEnded(Work kind, const std::function<void()>& done) {
    progress_->end();
    running_ = Work::Preview;
    --workPending_;
    if (kind != Work::Preview && --holdingPending_ == 0)
        enableStartingControls(true);
    if (done)
        done();
    emit workFinished();
    // A close asked for during the work goes ahead now that it has ended.
    if (closePending_ && workPending_ == 0) {
        closePending_ = false;
        close();
    }
}

void TEditorWindow::cancelWork() {
    if (workPending_ > 0 && running_ == Work::Archive)
        worker_.requestCancel();
}

void TEditorWindow::enableStartingControls(bool enabled) {
    if (!enabled)
        focusBeforeWork_ = focusWidget();
    // The overview too: it reads the workspace, which a running pipeline is changing.
    for (QWidget* control :
         std::initializer_list<QWidget*>{btnFileOpen, btnFileOutput, cboImg, btnReplace,
                                         btnCompress, btnDecompress, btnOverview})
        control->setEnabled(enabled);
    if (!enabled) {
        focusDuringWork_ = focusWidget();
        return;
    }
    // A greyed button passed the focus on (to the log, after the compile button); it comes
    // back, unless the user or the work has put it somewhere since.
    if (focusBeforeWork_ && focusWidget() == focusDuringWork_ && focusBeforeWork_->isEnabled() &&
        focusBeforeWork_->isVisible())
        focusBeforeWork_->setFocus();
}

void TEditorWindow::showEvent(QShowEvent* event) {
    // Shown again, the window keeps the state it had when it was hidden.
    QWidget::showEvent(event);
    placeOnScreen(this);
}

void TEditorWindow::closeEvent(QCloseEvent* event) {
    // Work still going on in the workspace keeps the window open until it ends; the lines it
    // reported before the click come first.
    worker_.mailbox().deliverNow();
    if (workPending_ > 0) {
        if (!closePending_)
            appendLog(texts::kClosingWhenWorkEnds);
        closePending_ = true;
        event->ignore();
        return;
    }
    if (!mayDiscardChanges()) {
        event->ignore(); // the window and its workspace stay as they are
        return;
    }
    editor_.slotEditor().forgetChanges();
    removeWorkspace(workspace_, WorkspaceOwner::Program, *this);
    if (overview_)
        overview_->hide();
    emit formClosed();
    event->accept(); // hidden, not destroyed
}

namespace {

// Keeps a text control from taking Ctrl+Z as its own text undo, so that the window's undo of
// a change gets it: the slot list's edit part holds the focus after a slot was picked.
class LeaveUndoToTheWindow : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ShortcutOverride &&
            static_cast<QKeyEvent*>(event)->matches(QKeySequence::Undo))
            return true; // not accepted, so the shortcut goes ahead
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void TEditorWindow::setUpUndo() {
    actUndo = new QAction(QStringLiteral("Undo the last change"), this);
    actUndo->setObjectName(QStringLiteral("actUndo"));
    actUndo->setShortcut(QKeySequence::Undo);
    addAction(actUndo);
    auto* filter = new LeaveUndoToTheWindow(this);
    for (QObject* control : std::initializer_list<QObject*>{cboImg, cboImg->lineEdit(), log})
        control->installEventFilter(filter);
    connect(actUndo, &QAction::triggered, this, &TEditorWindow::undoLastChange);
    GroupBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(GroupBox1, &QWidget::customContextMenuRequested, this, &TEditorWindow::showPreviewMenu);
}

void TEditorWindow::fillPreviewMenu(QMenu& menu) {
    // The kept pictures belong to the worker while work is pending.
    actUndo->setEnabled(!workPending() && editor_.slotEditor().canUndo());
    menu.addAction(actUndo);
    menu.addAction(fitActions_->action());
}

void TEditorWindow::showPreviewMenu(const QPoint& at) {
    QMenu menu(this);
    fillPreviewMenu(menu);
    menu.exec(GroupBox1->mapToGlobal(at));
    actUndo->setEnabled(true); // the shortcut stays live; it does nothing when nothing was changed
}

} // namespace palvex::editor
