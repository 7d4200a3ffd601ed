#pragma once

#include <QString>

class QImage; // a declaration only: the archive pipelines build without QtGui

namespace palvex::theme {

// The editor's fields that the pipelines read and fill: the two file fields, the slot
// selection, the preview, the hidden measuring picture and the three detail labels.
class EditorView {
public:
    virtual ~EditorView() = default;

    virtual int selectedSlot() const = 0; // -1 when no entry is selected
    virtual void selectSlot(int index) = 0;
    virtual QString inputFile() const = 0;
    virtual void setInputFile(const QString& path) = 0;
    virtual QString outputFile() const = 0;
    virtual void focusOutputFile() = 0;

    virtual void showPicture(const QImage& picture) = 0;    // Image1
    virtual void measurePicture(const QImage& picture) = 0; // ImgFile
    virtual QString fileNameCaption() const = 0;
    virtual void setFileNameCaption(const QString& text) = 0;
    virtual void setFileSizeCaption(const QString& text) = 0;
    virtual void setDimensionCaption(const QString& text) = 0;
};

} // namespace palvex::theme
