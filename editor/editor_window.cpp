#include "editor/editor_window.h"

#include "editor/editor_layout.h"
#include "editor/fit_actions.h"
#include "editor/name_filters.h"
#include "editor/picture_box.h"
#include "editor/picture_preview.h"
#include "editor/theme_overview.h"
#include "editor/window_style.h"
#include "theme/printable_text.h"
#include "theme/texts.h"
#include "theme/workspace_removal.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>

namespace palvex::editor {

using namespace theme;
using namespace pictures;

namespace {

constexpr int kLogHeight = 75;
constexpr int kDetailValueX = 66;
constexpr int kDetailGap = 4; // the least room between a detail's caption and its value

template <typename Control>
Control* place(QWidget* parent, const char* name, QPoint at, QSize size = {}) {
    auto* control = new Control(parent);
    control->setObjectName(QLatin1String(name));
    control->move(at);
    if (size.isValid())
        control->resize(size);
    return control;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, QPoint at) {
    auto* control = place<QLabel>(parent, name, at);
    control->setText(text);
    control->adjustSize();
    return control;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text, QPoint at, QSize size) {
    auto* control = place<QPushButton>(parent, name, at, size);
    control->setText(text);
    return control;
}

QFileDialog* fileDialog(QWidget* parent, const char* name, const QString& filter) {
    auto* dialog = new QFileDialog(parent);
    dialog->setObjectName(QLatin1String(name));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setNameFilters(qtNameFilters(filter));
    dialog->selectNameFilter(dialog->nameFilters().value(0));
    return dialog;
}

} // namespace

TEditorWindow::TEditorWindow(TerminalModel model, QString workspaceRoot, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(model), workspace_(std::move(workspaceRoot)),
      editor_(model, *this, *this, workspace_) {
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
}

TEditorWindow::~TEditorWindow() = default;

void TEditorWindow::buildControls() {
    const EditorLayout& layout = editorLayout(model_);
    setObjectName(model_ == TerminalModel::Korvell ? QStringLiteral("frmMain")
                                                   : QStringLiteral("frmPlus"));
    setWindowTitle(layout.caption);
    applyWindowFont(this);
    resize(layout.windowSize);

    Label1 = label(this, "Label1", QStringLiteral("Input File :"), layout.label1);
    Label2 = label(this, "Label2", QStringLiteral("Output File :"), layout.label2);
    makeBold(Label1);
    makeBold(Label2);
    Label1->adjustSize();
    Label2->adjustSize();

    edtFileBz2 = place<QLineEdit>(this, "edtFileBz2", layout.edtFileBz2, {425, 21});
    edtFileBz2->setReadOnly(true);
    btnFileOpen = button(this, "btnFileOpen", QStringLiteral("..."), layout.btnFileOpen, {25, 25});
    edtOutput = place<QLineEdit>(this, "edtOutput", layout.edtOutput, {425, 21});
    btnFileOutput =
        button(this, "btnFileOutput", QStringLiteral("..."), layout.btnFileOutput, {25, 25});

    cboImg = place<QComboBox>(this, "cboImg", layout.cboImg);
    cboImg->setEditable(true);
    cboImg->setInsertPolicy(QComboBox::NoInsert);
    cboImg->addItems(slotLabels(model_));
    cboImg->setCurrentIndex(0);
    cboImg->resize(193, cboImg->sizeHint().height());

    btnReplace = button(this, "btnReplace", QStringLiteral("Change"), layout.btnReplace, {75, 25});
    btnCompress = button(this, "btnCompress", QStringLiteral("Compile img.bz2"), layout.btnCompress,
                         {193, 41});

    buildLog();

    btnDecompress =
        button(this, "btnDecompress", QStringLiteral("DeCompress"), layout.btnDecompress, {81, 25});
    btnDecompress->setVisible(false);

    GroupBox1 =
        place<QGroupBox>(this, "GroupBox1", layout.groupBox1.topLeft(), layout.groupBox1.size());
    Image1 = place<PictureBox>(GroupBox1, "Image1", {0, 6}, layout.image1);

    buildDetails(layout.groupBox2);

    ImgFile = place<PictureBox>(this, "ImgFile", layout.imgFile);
    ImgFile->setSizeToPicture(true);
    ImgFile->setVisible(false);

    for (QWidget* control : std::initializer_list<QWidget*>{edtFileBz2, edtOutput, cboImg, log,
                                                            lblFileName, lblFileSize, lblDimension})
        makeBlue(control);

    // Tab order as the controls were drawn up: the fields, their buttons, the slot list,
    // the two pipeline buttons, then the log.
    QWidget* const tabOrder[] = {edtFileBz2,    btnFileOpen, edtOutput,   btnFileOutput,
                                 cboImg,        btnReplace,  btnCompress, log,
                                 btnDecompress, GroupBox1,   GroupBox2};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    buildDialogs();
}

void TEditorWindow::buildLog() {
    log = new QPlainTextEdit(this);
    log->setObjectName(QStringLiteral("log"));
    log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Long lines (an error with a full path) wrap, so they read whole without a sideways scroll.
    log->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    log->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    log->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    placeLog();
}

void TEditorWindow::buildDialogs() {
    OpenDialog1 = fileDialog(this, "OpenDialog1", dialogs::kArchiveFilter);
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);
    OpenDialog2 = fileDialog(this, "OpenDialog2", dialogs::kArchiveFilter);
    OpenDialog2->setFileMode(QFileDialog::AnyFile); // a new output name is fine
    OpenPictureDialog1 = fileDialog(this, "OpenPictureDialog1", dialogs::kPictureFilter);
    OpenPictureDialog1->setFileMode(QFileDialog::ExistingFile);
    attachPicturePreview(*OpenPictureDialog1);
    fitActions_ = new FitActions(*this, *Image1, editor_); // owned by the window
    connect(fitActions_, &FitActions::slotChanged, this, &TEditorWindow::refreshOverview);
}

void TEditorWindow::buildDetails(QPoint at) {
    GroupBox2 = place<QGroupBox>(this, "GroupBox2", at, {193, 81});
    GroupBox2->setTitle(QStringLiteral("Details"));
    Label3 = label(GroupBox2, "Label3", QStringLiteral("FileName :"), {8, 20});
    Label4 = label(GroupBox2, "Label4", QStringLiteral("FileSize :"), {8, 40});
    Label5 = label(GroupBox2, "Label5", QStringLiteral("Dimension :"), {8, 60});
    // The values stand at 66 where the captions leave room; a wider stand-in face for the
    // font the window was drawn for pushes them right, so a caption never runs into its value.
    int valueX = kDetailValueX;
    for (const QLabel* caption : {Label3, Label4, Label5})
        valueX = std::max(valueX, caption->geometry().right() + 1 + kDetailGap);
    lblFileName = label(GroupBox2, "lblFileName", QStringLiteral("----"), {valueX, 20});
    lblFileSize = label(GroupBox2, "lblFileSize", QStringLiteral("----"), {valueX, 40});
    lblDimension = label(GroupBox2, "lblDimension", QStringLiteral("----"), {valueX, 60});
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
    editor_.openArchive();
    refreshOverview();
}

void TEditorWindow::btnDecompressClick() {
    editor_.pipelines().unpack();
    refreshOverview();
}

void TEditorWindow::cboImgChange() {
    editor_.slotEditor().previewSelectedSlot();
}

void TEditorWindow::btnReplaceClick() {
    editor_.slotEditor().changePicture();
    refreshOverview();
}

void TEditorWindow::btnCompressClick() {
    editor_.pipelines().compile();
}

void TEditorWindow::btnFileOutputClick() {
    if (const std::optional<QString> chosen = chooseOutputArchive())
        edtOutput->setText(QDir::toNativeSeparators(*chosen));
}

// Below the compile button, where the window has room in both models.
void TEditorWindow::buildOverviewButton() {
    btnOverview = button(this, "btnOverview", QStringLiteral("Overview"),
                         editorLayout(model_).btnCompress + QPoint(0, 49), {193, 25});
    btnOverview->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    btnOverview->setToolTip(QStringLiteral("Every slot at once (Ctrl+T)"));
    connect(btnOverview, &QPushButton::clicked, this, &TEditorWindow::btnOverviewClick);
}

void TEditorWindow::btnOverviewClick() {
    if (!overview_) {
        overview_ = new ThemeOverview(model_, workspace_, this);
        connect(overview_, &ThemeOverview::slotChosen, this, [this](int index) {
            if (pipelineRunning_)
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

// While a dialog or a message box waits for the user, the window does not look busy: the
// normal cursor, the controls as they are between pipelines. The work's state comes back
// when the user has answered.
class TEditorWindow::WaitingForUser {
public:
    explicit WaitingForUser(TEditorWindow& window) : window_(window) {
        for (int i = 0; i < window_.busyDepth_; ++i)
            QApplication::restoreOverrideCursor();
        if (window_.pipelineRunning_)
            window_.enableStartingControls(true);
    }
    ~WaitingForUser() {
        for (int i = 0; i < window_.busyDepth_; ++i)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        if (window_.pipelineRunning_)
            window_.enableStartingControls(false);
    }
    WaitingForUser(const WaitingForUser&) = delete;
    WaitingForUser& operator=(const WaitingForUser&) = delete;

private:
    TEditorWindow& window_;
};

void TEditorWindow::showError(const QString& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), printable(text),
                    QMessageBox::Ok, this);
    WaitingForUser waiting(*this);
    runMessageBox_(box);
}

void TEditorWindow::showMessage(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, texts::kApplicationTitle, printable(text), QMessageBox::Ok,
                    this);
    WaitingForUser waiting(*this);
    runMessageBox_(box);
}

void TEditorWindow::beep() {
    QApplication::beep();
}

void TEditorWindow::setPipelineRunning(bool running) {
    pipelineRunning_ = running;
    enableStartingControls(!running);
    // A close asked for during the run goes ahead once the handler that ran it has returned.
    if (!running && closePending_) {
        closePending_ = false;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
}

void TEditorWindow::enableStartingControls(bool enabled) {
    // The overview too: it reads the workspace, which a running pipeline is changing.
    for (QWidget* control :
         std::initializer_list<QWidget*>{btnFileOpen, btnFileOutput, cboImg, btnReplace,
                                         btnCompress, btnDecompress, btnOverview})
        control->setEnabled(enabled);
}

void TEditorWindow::setBusy(bool busy) {
    busyDepth_ += busy ? 1 : -1;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

std::optional<QString> TEditorWindow::runDialog(QFileDialog& dialog) {
    dialog.selectNameFilter(dialog.nameFilters().value(0));
    WaitingForUser waiting(*this);
    return runFileDialog_(dialog);
}

std::optional<QString> TEditorWindow::chooseInputArchive(const QString& initialFolder) {
    OpenDialog1->setDirectory(initialFolder);
    OpenDialog1->selectFile(dialogs::kArchiveDefaultName);
    return runDialog(*OpenDialog1);
}

std::optional<QString> TEditorWindow::chooseOutputArchive() {
    OpenDialog2->selectFile(dialogs::kArchiveDefaultName);
    return runDialog(*OpenDialog2);
}

std::optional<QString> TEditorWindow::choosePicture() {
    return runDialog(*OpenPictureDialog1);
}

int TEditorWindow::selectedSlot() const {
    return slotTextEdited_ ? -1 : cboImg->currentIndex();
}

QString TEditorWindow::inputFile() const {
    return QDir::fromNativeSeparators(edtFileBz2->text());
}

void TEditorWindow::setInputFile(const QString& path) {
    edtFileBz2->setText(QDir::toNativeSeparators(path));
}

QString TEditorWindow::outputFile() const {
    return QDir::fromNativeSeparators(edtOutput->text());
}

void TEditorWindow::focusOutputFile() {
    edtOutput->setFocus();
}

void TEditorWindow::showPicture(const QImage& picture) {
    Image1->setPicture(picture);
}

void TEditorWindow::measurePicture(const QImage& picture) {
    ImgFile->setPicture(picture);
}

QString TEditorWindow::fileNameCaption() const {
    return lblFileName->text();
}

void TEditorWindow::setFileNameCaption(const QString& text) {
    lblFileName->setText(text);
    lblFileName->adjustSize();
}

void TEditorWindow::setFileSizeCaption(const QString& text) {
    lblFileSize->setText(text);
    lblFileSize->adjustSize();
}

void TEditorWindow::setDimensionCaption(const QString& text) {
    lblDimension->setText(text);
    lblDimension->adjustSize();
}

void TEditorWindow::showEvent(QShowEvent* event) {
    // Shown again, the window keeps the state it had when it was hidden.
    QWidget::showEvent(event);
    centreOnScreen(this);
}

void TEditorWindow::closeEvent(QCloseEvent* event) {
    // A pipeline still at work in the workspace keeps the window open until it ends.
    if (pipelineRunning_) {
        if (!closePending_)
            appendLog(texts::kClosingWhenWorkEnds);
        closePending_ = true;
        event->ignore();
        return;
    }
    editor_.slotEditor().forgetChanges();
    removeWorkspace(workspace_, WorkspaceOwner::Program, *this);
    if (overview_)
        overview_->hide();
    emit formClosed();
    event->accept(); // hidden, not destroyed
}

void TEditorWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeLog();
}

void TEditorWindow::placeLog() {
    log->setGeometry(0, height() - kLogHeight, width(), kLogHeight);
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

void TEditorWindow::undoLastChange() {
    editor_.slotEditor().undoChange();
    refreshOverview();
}

void TEditorWindow::fillPreviewMenu(QMenu& menu) {
    actUndo->setEnabled(editor_.slotEditor().canUndo());
    menu.addAction(actUndo);
    menu.addAction(fitActions_->action());
}

void TEditorWindow::showPreviewMenu(const QPoint& at) {
    QMenu menu(this);
    fillPreviewMenu(menu);
    menu.exec(GroupBox1->mapToGlobal(at));
    actUndo->setEnabled(true); // the shortcut stays live; it does nothing when nothing was changed
}

void TEditorWindow::setUpDrops() {
    setAcceptDrops(true);
    // Files dropped on the text fields and the log come to the window, not into their text.
    for (QWidget* field :
         std::initializer_list<QWidget*>{edtFileBz2, edtOutput, log, cboImg->lineEdit()})
        field->setAcceptDrops(false);
}

DropRequest TEditorWindow::dropRequestAt(const QMimeData* data, QPointF at) const {
    // Nothing may start another pipeline while one runs.
    if (pipelineRunning_ || !data || !data->hasUrls())
        return {};
    return dropRequest(data->urls(), GroupBox1->geometry().contains(at.toPoint()));
}

namespace {

// A dropped file is only ever read: a move offered by the source (which would delete the
// file there) is taken as a copy, and a drag that cannot copy is refused.
bool acceptAsCopy(QDropEvent* event, bool wanted) {
    if (!wanted || !(event->possibleActions() & Qt::CopyAction)) {
        event->ignore(); // the pointer's "no" shape
        return false;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

} // namespace

void TEditorWindow::dragEnterEvent(QDragEnterEvent* event) {
    // Taken on entry whenever the file could be dropped somewhere; the place is judged as the
    // pointer moves.
    const QPointF anywhere = GroupBox1->geometry().center();
    acceptAsCopy(event, dropRequestAt(event->mimeData(), anywhere).kind != DropKind::Refused);
}

void TEditorWindow::dragMoveEvent(QDragMoveEvent* event) {
    acceptAsCopy(event,
                 dropRequestAt(event->mimeData(), event->position()).kind != DropKind::Refused);
}

void TEditorWindow::dropEvent(QDropEvent* event) {
    const DropRequest request = dropRequestAt(event->mimeData(), event->position());
    if (!acceptAsCopy(event, request.kind != DropKind::Refused))
        return;
    if (request.kind == DropKind::Archive)
        editor_.openArchiveFile(request.path);
    else
        editor_.slotEditor().replaceCurrentSlot(request.path);
    refreshOverview();
}

} // namespace palvex::editor
