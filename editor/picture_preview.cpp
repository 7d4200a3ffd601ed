#include "editor/picture_preview.h"

#include "pictures/picture_file.h"
#include "platform/exception.h"
#include "theme/file_functions.h"
#include "theme/size_text.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace palvex::editor {

using namespace theme;
using namespace pictures;

namespace {
constexpr QSize kPreviewArea(200, 150);
}

PicturePreview::PicturePreview(QWidget* parent)
    : QWidget(parent), picture_(new QLabel(this)), caption_(new QLabel(this)) {
    setObjectName(QStringLiteral("picturePreview"));
    picture_->setObjectName(QStringLiteral("previewPicture"));
    caption_->setObjectName(QStringLiteral("previewCaption"));
    picture_->setFixedSize(kPreviewArea);
    picture_->setAlignment(Qt::AlignCenter);
    picture_->setFrameShape(QFrame::StyledPanel);
    caption_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture_);
    layout->addWidget(caption_);
    layout->addStretch();
}

void PicturePreview::showFile(const QString& path) {
    picture_->clear();
    caption_->clear();
    if (!existsAsFile(path))
        return;
    QImage image;
    try {
        image = loadPicture(path);
    } catch (const Exception&) {
        return; // not a picture of the slots' kinds: nothing to preview
    }
    // Only ever scaled down: a small icon is shown at its own size.
    QSize shown = image.size();
    if (shown.width() > kPreviewArea.width() || shown.height() > kPreviewArea.height())
        shown.scale(kPreviewArea, Qt::KeepAspectRatio);
    picture_->setPixmap(
        QPixmap::fromImage(image.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    caption_->setText(dimensionsText(image.size()) + QStringLiteral("\n") +
                      formatByteSizeAsKb(fileSize(path)) + QStringLiteral(" kb"));
}

void attachPicturePreview(QFileDialog& dialog) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    auto* preview = new PicturePreview(&dialog);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1);
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview, &PicturePreview::showFile);
}

} // namespace palvex::editor
