#include "editor/fit_dialog.h"

#include "editor/picture_box.h"
#include "pictures/picture_file.h"
#include "platform/exception.h"
#include "theme/file_functions.h"
#include "theme/size_text.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace palvex::editor {

using namespace theme;
using namespace pictures;

namespace {

// Large slots (800 x 600) would make the dialog twice a screen wide: the pictures are shown
// at most this big, their details give the real sizes.
constexpr QSize kShownAtMost(400, 300);

QImage forDisplay(const QImage& picture) {
    if (picture.width() <= kShownAtMost.width() && picture.height() <= kShownAtMost.height())
        return picture;
    return picture.scaled(kShownAtMost, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

PictureBox* pictureBox(QWidget* parent, const char* name, QSize slotBox) {
    auto* box = new PictureBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setMinimumSize(slotBox.boundedTo(kShownAtMost).expandedTo({120, 60}));
    return box;
}

// The busy cursor while a fitting runs, restored on every way out.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

QString details(const QString& name, qint64 bytes, QSize size) {
    return QStringLiteral("%1\n%2 kb\nH:%3 W:%4")
        .arg(name, formatByteSizeAsKb(bytes))
        .arg(size.height())
        .arg(size.width());
}

} // namespace

FitDialog::FitDialog(const QString& slotFile, const QImage& source, FitTarget target,
                     QWidget* parent)
    : QDialog(parent), name_(displayName(slotFile)), source_(source), target_(target) {
    setWindowTitle(QStringLiteral("Fit a picture to this slot"));
    imgCurrent = pictureBox(this, "imgCurrent", target.box);
    imgFitted = pictureBox(this, "imgFitted", target.box);
    lblCurrent = new QLabel(this);
    lblCurrent->setObjectName(QStringLiteral("lblCurrent"));
    lblFitted = new QLabel(this);
    lblFitted->setObjectName(QStringLiteral("lblFitted"));
    chkFill = new QCheckBox(QStringLiteral("Fill the box exactly, cropping the overflow"), this);
    chkFill->setObjectName(QStringLiteral("chkFill"));
    chkFill->setChecked(target.fill);
    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Current picture"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Fitted picture"), this), 0, 1);
    grid->addWidget(imgCurrent, 1, 0);
    grid->addWidget(imgFitted, 1, 1);
    grid->addWidget(lblCurrent, 2, 0, Qt::AlignTop);
    grid->addWidget(lblFitted, 2, 1, Qt::AlignTop);
    grid->addWidget(chkFill, 3, 0, 1, 2);
    grid->addWidget(buttons, 4, 0, 1, 2);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(chkFill, &QCheckBox::toggled, this, [this](bool fill) {
        target_.fill = fill;
        refit();
    });
    showCurrent(slotFile);
    refit();
}

void FitDialog::showCurrent(const QString& slotFile) {
    try {
        const QImage current = loadPicture(slotFile);
        imgCurrent->setPicture(forDisplay(current));
        lblCurrent->setText(details(displayName(slotFile), fileSize(slotFile), current.size()));
    } catch (const Exception& error) {
        lblCurrent->setText(displayName(slotFile) + QStringLiteral("\n") + error.what());
    }
}

void FitDialog::refit() {
    const WaitCursor busy;
    try {
        fitted_ = PictureFitter(target_).fit(source_);
        imgFitted->setPicture(forDisplay(QImage::fromData(fitted_->bytes)));
        lblFitted->setText(details(name_, fitted_->bytes.size(), fitted_->size) +
                           QStringLiteral("\n") + fitted_->detail);
    } catch (const Exception& error) {
        fitted_.reset();
        imgFitted->setPicture({});
        lblFitted->setText(QString::fromStdString(error.what()));
    }
    buttons->button(QDialogButtonBox::Ok)->setEnabled(fitted_.has_value());
}

} // namespace palvex::editor
