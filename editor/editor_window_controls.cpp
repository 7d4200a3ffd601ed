// The editor window's controls, at the places the two models' windows were drawn with.
#include "editor/editor_layout.h"
#include "editor/editor_window.h"
#include "editor/fit_actions.h"
#include "editor/name_filters.h"
#include "editor/picture_box.h"
#include "editor/picture_preview.h"
#include "editor/run_progress.h"
#include "editor/window_placement.h"
#include "editor/window_style.h"
#include "theme/texts.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>

namespace palvex::editor {

using namespace theme;

namespace {

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
    control->setAutoDefault(true); // Enter on the focused button starts it, as Space does
    return control;
}

QFileDialog* fileDialog(QWidget* parent, const char* name, const QString& filter) {
    auto* dialog = new QFileDialog(parent);
    dialog->setObjectName(QLatin1String(name));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setNameFilters(qtNameFilters(filter));
    dialog->selectNameFilter(dialog->nameFilters().value(0));
    keepDialogOnScreen(dialog);
    return dialog;
}

} // namespace

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
    buildProgress();
    setMinimumSize(smallestClient(layout));
}

void TEditorWindow::buildLog() {
    log = new QPlainTextEdit(this);
    log->setObjectName(QStringLiteral("log"));
    log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Long lines (an error with a full path) wrap, so they read whole without a sideways scroll.
    log->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    log->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    log->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void TEditorWindow::buildDialogs() {
    OpenDialog1 = fileDialog(this, "OpenDialog1", dialogs::kArchiveFilter);
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);
    // The output is written, so it is chosen as a file is saved: Qt asks before it names an
    // existing file, and a name typed without the suffix gets it.
    OpenDialog2 = fileDialog(this, "OpenDialog2", dialogs::kArchiveFilter);
    OpenDialog2->setFileMode(QFileDialog::AnyFile); // a new output name is fine
    OpenDialog2->setAcceptMode(QFileDialog::AcceptSave);
    OpenDialog2->setDefaultSuffix(QStringLiteral("bz2"));
    OpenDialog2->setWindowTitle(texts::kSaveTitle);
    OpenDialog2->setLabelText(QFileDialog::Accept, texts::kSaveTitle);
    OpenPictureDialog1 = fileDialog(this, "OpenPictureDialog1", dialogs::kPictureFilter);
    OpenPictureDialog1->setFileMode(QFileDialog::ExistingFile);
    attachPicturePreview(*OpenPictureDialog1);
    fitActions_ = new FitActions(*this, editor_, *this); // owned by the window
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

// Below the compile button, where the window has room in both models.
void TEditorWindow::buildOverviewButton() {
    btnOverview = button(this, "btnOverview", QStringLiteral("Overview"),
                         editorLayout(model_).btnCompress + kOverviewBelowCompile, kOverviewButton);
    btnOverview->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    connect(btnOverview, &QPushButton::clicked, this, &TEditorWindow::btnOverviewClick);
}

// In the strip between the preview's frame and the log, which both models leave empty.
void TEditorWindow::buildProgress() {
    const EditorLayout& layout = editorLayout(model_);
    progress_ = new RunProgress(*this, fitLayout(layout, layout.windowSize).progressStrip);
    connect(progress_, &RunProgress::cancelClicked, this, &TEditorWindow::cancelWork);
}

void TEditorWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitControls();
}

// The drawn places where the window has room for them; in a smaller window (a laptop's screen)
// the preview scales down so that every control stays whole and apart, the log included.
void TEditorWindow::fitControls() {
    if (!btnOverview)
        return; // still being built
    const EditorLayout& layout = editorLayout(model_);
    const LayoutFit fit = fitLayout(layout, size());
    GroupBox1->setGeometry(fit.previewFrame);
    Image1->setGeometry(QRect(QPoint(0, 6), fit.preview));
    Image1->setScale(fit.scale);
    const QPoint left(fit.shiftLeft, 0);
    const std::pair<QWidget*, QPoint> column[] = {
        {cboImg, layout.cboImg},
        {btnReplace, layout.btnReplace},
        {btnCompress, layout.btnCompress},
        {btnDecompress, layout.btnDecompress},
        {GroupBox2, layout.groupBox2},
        {ImgFile, layout.imgFile},
        {btnOverview, layout.btnCompress + kOverviewBelowCompile},
    };
    for (const auto& [control, drawn] : column)
        control->move(drawn - left);
    progress_->place(fit.progressStrip);
    log->setGeometry(0, height() - kLogHeight, width(), kLogHeight);
}

} // namespace palvex::editor
