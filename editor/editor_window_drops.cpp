// Files dropped on the editor window: a theme archive anywhere opens it, a picture on the
// preview changes the slot.
#include "editor/editor_window.h"

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

DropRequest TEditorWindow::dropRequestAt(const QMimeData* data, QPointF at) const {
    // Nothing may start another pipeline while one runs.
    if (holdingWork() || !data || !data->hasUrls())
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
    // Opened once the drop is over: the question over uncompiled changes must not keep the
    // drag's source waiting.
    if (request.kind == DropKind::Archive)
        return (void)QMetaObject::invokeMethod(
            this, [this, path = request.path] { openArchiveFile(path); }, Qt::QueuedConnection);
    startWork(
        Work::Slot, [this, path = request.path] { editor_.slotEditor().replaceCurrentSlot(path); },
        [this] { refreshOverview(); });
}

} // namespace palvex::editor
