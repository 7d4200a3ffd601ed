#include "editor/fit_actions.h"

#include "editor/fit_dialog.h"
#include "editor/window_work.h"
#include "pictures/slot_fitting.h"
#include "pictures/theme_editor.h"
#include "platform/exception.h"
#include "theme/file_functions.h"

#include <QAction>
#include <QFileDialog>
#include <QImageReader>

namespace palvex::editor {

using namespace theme;
using namespace pictures;

namespace {

QString anyPictureFilter() {
    QStringList patterns;
    for (const QByteArray& suffix : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(suffix);
    return QStringLiteral("Pictures (%1);;All files (*)").arg(patterns.join(QLatin1Char(' ')));
}

} // namespace

FitActions::FitActions(QWidget& window, ThemeEditor& editor, WindowWork& work)
    : QObject(&window), window_(window), editor_(editor), work_(work),
      action_(new QAction(QStringLiteral("Fit a picture to this slot…"), &window)) {
    setObjectName(QStringLiteral("FitActions"));
    action_->setObjectName(QStringLiteral("actFitPicture"));
    action_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    window.addAction(action_);
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
    if (work_.holdingWork())
        return;
    if (const std::optional<QString> chosen = choosePicture_())
        fitPicture(*chosen);
}

void FitActions::fitPicture(const QString& picture) {
    work_.startWork(Work::Slot, [this, picture] { fitOnWorker(picture); });
}

// Like the change, nothing happens before a slot was previewed.
void FitActions::fitOnWorker(const QString& picture) {
    ThemeSession& session = editor_.session();
    const int slot = session.view.selectedSlot();
    const std::optional<QString> slotFile = slotPath(session.model, slot, session.workspace);
    if (!slotFile || !editor_.slotEditor().hasTarget())
        return;
    try {
        const FitTarget target = slotFitTarget(session.model, slot, session.workspace, false);
        const std::optional<QByteArray> fitted =
            askUser(*slotFile, readPictureToFit(picture), target);
        if (!fitted)
            return;
        const StagedPicture staged(displayName(*slotFile), *fitted);
        if (editor_.slotEditor().replaceCurrentSlot(staged.path()))
            work_.askWindow([this] { emit slotChanged(); });
    } catch (const Exception& error) {
        session.ui.showError(QString::fromStdString(error.what()));
    }
}

// The first fitting is made here, on the worker; the dialog shows it on the window's thread.
std::optional<QByteArray> FitActions::askUser(const QString& slotFile, const QImage& source,
                                              const FitTarget& target) {
    const FitAttempt first = attemptFit(target, source);
    std::optional<QByteArray> chosen;
    work_.askUser([&] {
        FitDialog dialog(slotFile, source, target, first, &window_);
        if (runDialog_(dialog) && dialog.fitted())
            chosen = dialog.fitted()->bytes;
    });
    return chosen;
}

} // namespace palvex::editor
