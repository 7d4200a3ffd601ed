#pragma once

#include <QWidget>

class QFileDialog;
class QLabel;

namespace palvex::editor {

// The preview beside a picture dialog's file list: the file under the cursor scaled into a
// fixed area, with its width x height and its size in kb, so the user sees what he is about
// to put into a slot.
class PicturePreview : public QWidget {
    Q_OBJECT
public:
    explicit PicturePreview(QWidget* parent = nullptr);

    // Shows the picture at path, or an empty preview when it is no picture that decodes.
    void showFile(const QString& path);

private:
    QLabel* picture_;
    QLabel* caption_;
};

// Makes the dialog Qt's own (a native one has no room for it) and puts a preview beside its
// file list that follows the current file.
void attachPicturePreview(QFileDialog& dialog);

} // namespace palvex::editor
