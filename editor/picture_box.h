#pragma once

#include <QImage>
#include <QWidget>

namespace palvex::editor {

// A picture control: draws its picture at its own size, centred and clipped to the area.
// With sizeToPicture set, the control takes the size of each picture it is given. A scale
// below 1 draws the picture smaller by that much (a preview shrunk to a small screen).
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    void setPicture(const QImage& picture);
    const QImage& picture() const { return picture_; }
    void setSizeToPicture(bool on) { sizeToPicture_ = on; }
    void setScale(double scale);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
    bool sizeToPicture_ = false;
    double scale_ = 1.0;
};

} // namespace palvex::editor
