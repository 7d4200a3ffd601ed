#include "editor/picture_box.h"

#include <QPainter>

namespace palvex::editor {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {}

void PictureBox::setPicture(const QImage& picture) {
    picture_ = picture;
    if (sizeToPicture_)
        resize(picture_.size());
    update();
}

void PictureBox::setScale(double scale) {
    if (scale == scale_)
        return;
    scale_ = scale;
    update();
}

void PictureBox::paintEvent(QPaintEvent*) {
    if (picture_.isNull())
        return;
    QPainter painter(this);
    painter.setClipRect(rect());
    if (scale_ != 1.0) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QSizeF shown = QSizeF(picture_.size()) * scale_;
        const QPointF origin((width() - shown.width()) / 2, (height() - shown.height()) / 2);
        painter.drawImage(QRectF(origin, shown), picture_);
        return;
    }
    const QPoint origin((width() - picture_.width()) / 2, (height() - picture_.height()) / 2);
    painter.drawImage(origin, picture_);
}

} // namespace palvex::editor
