// Files dropped on the editor window: a theme archive anywhere opens it, a picture on the
// preview changes the slot, or with Shift held is fitted to it.
#include "editor/editor_window.h"
#include "editor/fit_actions.h"

#include <QComboBox>
#include <QDropEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>

namespace palvex::editor {

void TEditorWindow::setUpDrops() {
    setAcceptDrops(true);
    // Files dropped on the text fields and the log come to the window, not into their text.
    for (QWidget* field :
         std::initializer_list<QWidget*>{edtFileBz2, edtOutput, log, cboImg->lineEdit()})
        field->setAcceptDrops(false);
}

DropRequest TEditorWindow::dropRequestAt(const QDropEvent& event) const {
    const QList<QUrl> urls = event.mimeData()->urls();
    // Nothing may start another pipeline while one runs.
    if (holdingWork())
        return {DropKind::Refused, {}, DropRefusal::WorkPending};
    // Shift is read as the file is let go: it may be pressed or released on the way.
    return dropRequest(urls, GroupBox1->geometry().contains(event.position().toPoint()),
                       event.modifiers().testFlag(Qt::ShiftModifier));
}

namespace {

// A dropped file is only ever read: whatever the source proposes (Shift proposes a move,
// after which a file manager deletes its file), the drop is taken as a copy. Any drag of files
// that can copy is taken on its way, so that a drop the window refuses reaches it and the log
// can say why; a drag that cannot copy is refused at once.
bool takeAsCopy(QDropEvent* event) {
    if (!event->mimeData() || !event->mimeData()->hasUrls() ||
        !(event->possibleActions() & Qt::CopyAction)) {
        event->ignore(); // the pointer's "no" shape
        return false;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

} // namespace

void TEditorWindow::dragEnterEvent(QDragEnterEvent* event) {
    takeAsCopy(event);
}

void TEditorWindow::dragMoveEvent(QDragMoveEvent* event) {
    takeAsCopy(event);
}

void TEditorWindow::dropEvent(QDropEvent* event) {
    if (!takeAsCopy(event))
        return;
    const DropRequest request = dropRequestAt(*event);
    switch (request.kind) {
    case DropKind::Refused:
        event->ignore(); // the source keeps its file and is told nothing was taken
        appendLog(refusalLine(event->mimeData()->urls(), request.refusal));
        return;
    case DropKind::Archive:
        // Opened once the drop is over: the question over uncompiled changes must not keep the
        // drag's source waiting.
        QMetaObject::invokeMethod(
            this, [this, path = request.path] { openArchiveFile(path); }, Qt::QueuedConnection);
        return;
    case DropKind::Fit:
        return fitActions_->fitPicture(request.path);
    case DropKind::Picture:
        startWork(
            Work::Slot,
            [this, path = request.path] { editor_.slotEditor().replaceCurrentSlot(path); },
            [this] { refreshOverview(); });
        return;
    }
}

} // namespace palvex::editor
