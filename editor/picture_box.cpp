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

void PictureBox::paintEvent(QPaintEvent*) {
    if (picture_.isNull())
        return;
    QPainter painter(this);
    painter.setClipRect(rect());
    const QPoint origin((width() - picture_.width()) / 2, (height() - picture_.height()) / 2);
    painter.drawImage(origin, picture_);
}

} // namespace palvex::editor
