#pragma once

#include "pictures/picture_fitter.h"

#include <QDialog>
#include <optional>

class QCheckBox;
class QDialogButtonBox;
class QLabel;

namespace palvex::editor {

class PictureBox;

// Shows a picture fitted to a slot beside the slot's current picture, each with its details,
// and lets the user choose between fitting inside the box and filling it. OK takes the
// fitted picture; it is off while no fitting succeeded.
class FitDialog : public QDialog {
    Q_OBJECT
public:
    FitDialog(const QString& slotFile, const QImage& source, pictures::FitTarget target,
              QWidget* parent = nullptr);

    const std::optional<pictures::FittedPicture>& fitted() const { return fitted_; }

private:
    void showCurrent(const QString& slotFile);
    void refit();

    QString name_;
    QImage source_;
    pictures::FitTarget target_;
    std::optional<pictures::FittedPicture> fitted_;
    PictureBox* imgCurrent = nullptr;
    PictureBox* imgFitted = nullptr;
    QLabel* lblCurrent = nullptr;
    QLabel* lblFitted = nullptr;
    QCheckBox* chkFill = nullptr;
    QDialogButtonBox* buttons = nullptr;
};

} // namespace palvex::editor
