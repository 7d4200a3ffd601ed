#include "editor/fit_dialog.h"

#include "editor/picture_box.h"
#include "editor/window_placement.h"
#include "pictures/picture_file.h"
#include "platform/exception.h"
#include "theme/file_functions.h"
#include "theme/size_text.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPromise>
#include <QPushButton>
#include <QScreen>
#include <QThreadPool>
#include <memory>

namespace palvex::editor {

using namespace theme;
using namespace pictures;

namespace {

// Large slots (800 x 600) would make the dialog twice a screen wide: the pictures are shown
// at most this big, their details give the real sizes.
constexpr QSize kShownAtMost(400, 300);
// What the dialog needs beside and below its two pictures: margins, captions, details, buttons.
constexpr QSize kAroundPictures(60, 260);

QImage forDisplay(const QImage& picture, QSize atMost = kShownAtMost) {
    if (picture.width() <= atMost.width() && picture.height() <= atMost.height())
        return picture;
    return picture.scaled(atMost, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// On a small screen the two pictures shrink so that the dialog and its buttons stay on it.
QSize shownAtMost(const QWidget* parent) {
    const QScreen* screen =
        parent && parent->screen() ? parent->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return kShownAtMost;
    const QSize room = screen->availableGeometry().size() - kAroundPictures;
    return kShownAtMost.boundedTo({room.width() / 2, room.height()}).expandedTo({120, 60});
}

PictureBox* pictureBox(QWidget* parent, const char* name, QSize slotBox, QSize atMost) {
    auto* box = new PictureBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setMinimumSize(slotBox.boundedTo(atMost).expandedTo({120, 60}));
    return box;
}

QFuture<FitAttempt> fitInBackground(const FitTarget& target, const QImage& source) {
    auto promise = std::make_shared<QPromise<FitAttempt>>();
    QFuture<FitAttempt> future = promise->future();
    promise->start();
    QThreadPool::globalInstance()->start([promise, target, source] {
        promise->addResult(attemptFit(target, source));
        promise->finish();
    });
    return future;
}

QString details(const QString& name, qint64 bytes, QSize size) {
    return QStringLiteral("%1\n%2 kb\n%3")
        .arg(name, formatByteSizeAsKb(bytes), dimensionsText(size));
}

} // namespace

FitAttempt attemptFit(const FitTarget& target, const QImage& source) {
    try {
        FitAttempt attempt{PictureFitter(target).fit(source), {}, {}};
        attempt.shown = forDisplay(QImage::fromData(attempt.fitted->bytes));
        return attempt;
    } catch (const Exception& error) {
        return {std::nullopt, {}, QString::fromStdString(error.what())};
    }
}

FitDialog::FitDialog(const QString& slotFile, const QImage& source, FitTarget target,
                     const FitAttempt& first, QWidget* parent)
    : QDialog(parent), name_(displayName(slotFile)), source_(source), target_(target),
      shownAtMost_(shownAtMost(parent)) {
    setWindowTitle(QStringLiteral("Fit a picture to this slot"));
    keepDialogOnScreen(this);
    imgCurrent = pictureBox(this, "imgCurrent", target.box, shownAtMost_);
    imgFitted = pictureBox(this, "imgFitted", target.box, shownAtMost_);
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
    connect(&refitting_, &QFutureWatcherBase::finished, this, [this] {
        chkFill->setEnabled(true);
        showFitted(refitting_.result());
    });
    showCurrent(slotFile);
    showFitted(first);
}

void FitDialog::showCurrent(const QString& slotFile) {
    try {
        const QImage current = loadPicture(slotFile);
        imgCurrent->setPicture(forDisplay(current, shownAtMost_));
        lblCurrent->setText(details(displayName(slotFile), fileSize(slotFile), current.size()));
    } catch (const Exception& error) {
        lblCurrent->setText(displayName(slotFile) + QStringLiteral("\n") + error.what());
    }
}

void FitDialog::refit() {
    chkFill->setEnabled(false); // one fitting at a time
    fitted_.reset();
    buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    lblFitted->setText(QStringLiteral("Fitting…"));
    refitting_.setFuture(fitInBackground(target_, source_));
}

void FitDialog::showFitted(const FitAttempt& attempt) {
    fitted_ = attempt.fitted;
    imgFitted->setPicture(forDisplay(attempt.shown, shownAtMost_));
    lblFitted->setText(fitted_ ? details(name_, fitted_->bytes.size(), fitted_->size) +
                                     QStringLiteral("\n") + fitted_->detail
                               : attempt.error);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(fitted_.has_value());
}

} // namespace palvex::editor
