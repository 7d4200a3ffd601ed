#include "editor/fit_actions.h"

#include "editor/editor_window.h"
#include "editor/file_functions.h"
#include "editor/fit_dialog.h"
#include "editor/slot_fitting.h"
#include "platform/exception.h"
#include "platform/temporary_files.h"

#include <QAction>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QImageReader>
#include <QMimeData>
#include <QTemporaryDir>

namespace palvex::editor {

namespace {

QString anyPictureFilter() {
    QStringList patterns;
    for (const QByteArray& suffix : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(suffix);
    return QStringLiteral("Pictures (%1);;All files (*)").arg(patterns.join(QLatin1Char(' ')));
}

// The one local file a drag carries, with Shift held; nothing otherwise.
std::optional<QString> shiftDroppedFile(const QDropEvent& event) {
    const QList<QUrl> urls = event.mimeData()->urls();
    if (!(event.modifiers() & Qt::ShiftModifier) || urls.size() != 1 || !urls[0].isLocalFile())
        return std::nullopt;
    return urls[0].toLocalFile();
}

} // namespace

FitActions::FitActions(TEditorWindow& window, QWidget& preview)
    : QObject(&window), window_(window),
      action_(new QAction(QStringLiteral("Fit a picture to this slot…"), &window)) {
    setObjectName(QStringLiteral("FitActions"));
    action_->setObjectName(QStringLiteral("actFitPicture"));
    action_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    window.addAction(action_);
    preview.addAction(action_);
    preview.setContextMenuPolicy(Qt::ActionsContextMenu);
    preview.setAcceptDrops(true);
    preview.installEventFilter(this);
    connect(action_, &QAction::triggered, this, &FitActions::fitChosenPicture);
    choosePicture_ = [this]() -> std::optional<QString> {
        const QString chosen =
            QFileDialog::getOpenFileName(&window_, action_->text(), QString(), anyPictureFilter());
        return chosen.isEmpty() ? std::nullopt : std::optional<QString>(chosen);
    };
    runDialog_ = [](FitDialog& dialog) {
        return dialog.exec() == QDialog::Accepted;
    };
}

void FitActions::fitChosenPicture() {
    if (window_.editor().running())
        return;
    if (const std::optional<QString> chosen = choosePicture_())
        fitPicture(*chosen);
}

// Like the change, nothing happens before a slot was previewed.
void FitActions::fitPicture(const QString& picture) {
    ThemeEditor& editor = window_.editor();
    const int slot = window_.selectedSlot();
    const std::optional<QString> slotFile = slotPath(editor.model(), slot, editor.workspace());
    if (editor.running() || !slotFile || !existsAsFile(editor.currentSlotFile()))
        return;
    std::optional<FittedPicture> fitted;
    try {
        const QImage source = readPictureToFit(picture);
        FitDialog dialog(*slotFile, source,
                         slotFitTarget(editor.model(), slot, editor.workspace(), false), &window_);
        if (!runDialog_(dialog) || !dialog.fitted())
            return;
        fitted = dialog.fitted();
    } catch (const Exception& error) {
        window_.showError(QString::fromStdString(error.what()));
        return;
    }
    replaceWithFitted(fitted->bytes, displayName(*slotFile));
}

// The fitted picture takes the slot file's name in a folder of its own in the private
// temporary folder, so that the change's name check sees the slot's own name.
void FitActions::replaceWithFitted(const QByteArray& bytes, const QString& name) {
    QTemporaryDir folder(QString::fromStdString(platform::temporaryFolder()) +
                         QStringLiteral("fit-XXXXXX"));
    QFile staged(folder.filePath(name));
    if (!folder.isValid() || !staged.open(QIODevice::WriteOnly) ||
        staged.write(bytes) != bytes.size()) {
        window_.showError(
            QStringLiteral("Cannot write the fitted picture to the temporary folder"));
        return;
    }
    staged.close();
    window_.editor().replaceWith(staged.fileName());
}

bool FitActions::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
        if (!shiftDroppedFile(*static_cast<QDropEvent*>(event)))
            return false;
        static_cast<QDropEvent*>(event)->acceptProposedAction();
        return true;
    case QEvent::Drop:
        if (const auto dropped = shiftDroppedFile(*static_cast<QDropEvent*>(event))) {
            static_cast<QDropEvent*>(event)->acceptProposedAction();
            fitPicture(*dropped);
            return true;
        }
        return false;
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace palvex::editor
