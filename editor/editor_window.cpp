#include "editor/editor_window.h"

#include "editor/editor_layout.h"
#include "editor/editor_texts.h"
#include "editor/file_functions.h"
#include "editor/name_filters.h"
#include "editor/picture_box.h"
#include "editor/theme_overview.h"
#include "editor/window_style.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

namespace palvex::editor {

namespace {

constexpr int kLogHeight = 75;

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

    log = new QPlainTextEdit(this);
    log->setObjectName(QStringLiteral("log"));
    log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    log->setLineWrapMode(QPlainTextEdit::NoWrap);
    placeLog();

    btnDecompress =
        button(this, "btnDecompress", QStringLiteral("DeCompress"), layout.btnDecompress, {81, 25});
    btnDecompress->setVisible(false);

    GroupBox1 =
        place<QGroupBox>(this, "GroupBox1", layout.groupBox1.topLeft(), layout.groupBox1.size());
    Image1 = place<PictureBox>(GroupBox1, "Image1", {0, 6}, layout.image1);

    GroupBox2 = place<QGroupBox>(this, "GroupBox2", layout.groupBox2, {193, 81});
    GroupBox2->setTitle(QStringLiteral("Details"));
    Label3 = label(GroupBox2, "Label3", QStringLiteral("FileName :"), {8, 20});
    Label4 = label(GroupBox2, "Label4", QStringLiteral("FileSize :"), {8, 40});
    Label5 = label(GroupBox2, "Label5", QStringLiteral("Dimension :"), {8, 60});
    lblFileName = label(GroupBox2, "lblFileName", QStringLiteral("----"), {66, 20});
    lblFileSize = label(GroupBox2, "lblFileSize", QStringLiteral("----"), {66, 40});
    lblDimension = label(GroupBox2, "lblDimension", QStringLiteral("----"), {66, 60});

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

    OpenDialog1 = fileDialog(this, "OpenDialog1", dialogs::kArchiveFilter);
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);
    OpenDialog2 = fileDialog(this, "OpenDialog2", dialogs::kArchiveFilter);
    OpenDialog2->setFileMode(QFileDialog::AnyFile); // a new output name is fine
    OpenPictureDialog1 = fileDialog(this, "OpenPictureDialog1", dialogs::kPictureFilter);
    OpenPictureDialog1->setFileMode(QFileDialog::ExistingFile);
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
    editor_.unpack();
    refreshOverview();
}

void TEditorWindow::cboImgChange() {
    editor_.previewSelectedSlot();
}

void TEditorWindow::btnReplaceClick() {
    editor_.changePicture();
    refreshOverview();
}

void TEditorWindow::btnCompressClick() {
    editor_.compile();
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

void TEditorWindow::appendLog(const QString& line) {
    log->appendPlainText(line);
}

void TEditorWindow::showError(const QString& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::Ok, this);
    runMessageBox_(box);
}

void TEditorWindow::showMessage(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, texts::kApplicationTitle, text, QMessageBox::Ok, this);
    runMessageBox_(box);
}

void TEditorWindow::beep() {
    QApplication::beep();
}

void TEditorWindow::serviceMessages() {
    QCoreApplication::processEvents();
}

void TEditorWindow::setPipelineRunning(bool running) {
    pipelineRunning_ = running;
    for (QWidget* control : std::initializer_list<QWidget*>{btnFileOpen, btnFileOutput, cboImg,
                                                            btnReplace, btnCompress, btnDecompress})
        control->setEnabled(!running);
}

void TEditorWindow::setBusy(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

std::optional<QString> TEditorWindow::runDialog(QFileDialog& dialog) {
    dialog.selectNameFilter(dialog.nameFilters().value(0));
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
        event->ignore();
        return;
    }
    removeFolderTree(workspace_);
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

} // namespace palvex::editor
