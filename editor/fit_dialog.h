#pragma once

#include "pictures/picture_fitter.h"

#include <QDialog>
#include <QFutureWatcher>
#include <optional>

class QCheckBox;
class QDialogButtonBox;
class QLabel;

namespace palvex::editor {

class PictureBox;

// One fitting of a picture to a slot: the fitted picture and how it is shown, or why none
// could be made. Made off the window's thread: a large photo takes a while.
struct FitAttempt {
    std::optional<pictures::FittedPicture> fitted;
    QImage shown;
    QString error;
};
FitAttempt attemptFit(const pictures::FitTarget& target, const QImage& source);

// Shows a picture fitted to a slot beside the slot's current picture, each with its details,
// and lets the user choose between fitting inside the box and filling it. OK takes the
// fitted picture; it is off while no fitting succeeded or a fitting is under way.
class FitDialog : public QDialog {
    Q_OBJECT
public:
    // `first` is the fitting to `target` as given, made beforehand; a click on the fill box
    // fits again in the background.
    FitDialog(const QString& slotFile, const QImage& source, pictures::FitTarget target,
              const FitAttempt& first, QWidget* parent = nullptr);

    const std::optional<pictures::FittedPicture>& fitted() const { return fitted_; }

private:
    void showCurrent(const QString& slotFile);
    void refit();
    void showFitted(const FitAttempt& attempt);

    QString name_;
    QImage source_;
    pictures::FitTarget target_;
    QSize shownAtMost_;
    std::optional<pictures::FittedPicture> fitted_;
    PictureBox* imgCurrent = nullptr;
    PictureBox* imgFitted = nullptr;
    QLabel* lblCurrent = nullptr;
    QLabel* lblFitted = nullptr;
    QCheckBox* chkFill = nullptr;
    QDialogButtonBox* buttons = nullptr;
    QFutureWatcher<FitAttempt> refitting_;
};

} // namespace palvex::editor
