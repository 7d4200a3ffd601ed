// What the pipelines report, shown by the editor window on its own thread: the boxes, the
// dialogs, the busy state, the progress, and the fields they read and fill.
#include "editor/editor_window.h"
#include "editor/name_filters.h"
#include "editor/picture_box.h"
#include "editor/run_progress.h"
#include "theme/printable_text.h"
#include "theme/texts.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

namespace palvex::editor {

using namespace theme;

// While a dialog or a message box waits for the user, the window does not look busy: the
// normal cursor, the controls as they are between pipelines, no progress. The work's state
// comes back when the user has answered.
class TEditorWindow::WaitingForUser {
public:
    explicit WaitingForUser(TEditorWindow& window) : window_(window) {
        for (int i = 0; i < window_.busyDepth_; ++i)
            QApplication::restoreOverrideCursor();
        if (window_.holdingWork())
            window_.enableStartingControls(true);
        window_.progress_->pause();
    }
    ~WaitingForUser() {
        for (int i = 0; i < window_.busyDepth_; ++i)
            QApplication::setOverrideCursor(Qt::BusyCursor);
        if (window_.holdingWork())
            window_.enableStartingControls(false);
        window_.progress_->resume();
    }
    WaitingForUser(const WaitingForUser&) = delete;
    WaitingForUser& operator=(const WaitingForUser&) = delete;

private:
    TEditorWindow& window_;
};

void TEditorWindow::askUser(const std::function<void()>& dialog) {
    askWindow([&] {
        WaitingForUser waiting(*this);
        dialog();
    });
}

// Boxes show plain text: a name like "<h1>x" is shown as it is, never read as markup.
void TEditorWindow::showError(const QString& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), printable(text),
                    QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    WaitingForUser waiting(*this);
    runMessageBox_(box);
}

void TEditorWindow::showMessage(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, texts::kApplicationTitle, printable(text), QMessageBox::Ok,
                    this);
    box.setTextFormat(Qt::PlainText);
    WaitingForUser waiting(*this);
    runMessageBox_(box);
}

void TEditorWindow::beep() {
    QApplication::beep();
}

// The window answers while the work goes on: the pointer says so, and still clicks.
void TEditorWindow::setBusy(bool busy) {
    busyDepth_ += busy ? 1 : -1;
    if (busy)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TEditorWindow::showProgress(int percent) {
    progress_->setPercent(percent);
}

std::optional<QString> TEditorWindow::runDialog(QFileDialog& dialog, int nameFilter) {
    dialog.selectNameFilter(dialog.nameFilters().value(nameFilter));
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

// A slot whose file is a bitmap takes a bitmap: the dialog lists them too, and opens on them.
std::optional<QString> TEditorWindow::choosePicture() {
    const std::optional<QString> slotFile = slotPath(model_, selectedSlot(), QString());
    const bool bitmap = slotFile && slotFile->endsWith(QStringLiteral(".bmp"), Qt::CaseInsensitive);
    QStringList filters = qtNameFilters(dialogs::kPictureFilter);
    if (bitmap)
        filters << qtNameFilters(dialogs::kBitmapFilter);
    OpenPictureDialog1->setNameFilters(filters);
    return runDialog(*OpenPictureDialog1, bitmap ? int(filters.size()) - 1 : 0);
}

int TEditorWindow::selectedSlot() const {
    return slotTextEdited_ ? -1 : cboImg->currentIndex();
}

void TEditorWindow::selectSlot(int index) {
    slotTextEdited_ = false;
    cboImg->setCurrentIndex(index);
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

} // namespace palvex::editor
