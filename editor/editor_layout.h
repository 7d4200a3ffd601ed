#pragma once

#include "theme/slot_catalogue.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

namespace palvex::editor {

// Everything in which the two models' editor windows differ.
struct EditorLayout {
    QString caption;
    QSize windowSize;
    QPoint label1, label2, edtFileBz2, btnFileOpen, edtOutput, btnFileOutput, cboImg, btnReplace,
        btnCompress, btnDecompress, groupBox2, imgFile;
    QRect groupBox1;
    QSize image1;
};

const EditorLayout& editorLayout(theme::TerminalModel model);

// The log along the bottom edge, and the overview button below the compile button, in both
// models.
inline constexpr int kLogHeight = 75;
inline constexpr QPoint kOverviewBelowCompile{0, 49};
inline constexpr QSize kOverviewButton{193, 25};

// The layout in a client area: the drawn one where the area has room for it. Where it has not,
// the preview frame and its picture scale down together until the rest fits beside and below
// them, and the controls right of the preview move left as far as the width needs.
struct LayoutFit {
    double scale = 1.0; // of the preview frame and its picture
    QRect previewFrame;
    QSize preview;
    int shiftLeft = 0;   // of the controls right of the preview
    QRect progressStrip; // between the preview frame and the log
};
LayoutFit fitLayout(const EditorLayout& layout, QSize client);

// The smallest client area in which every control stays apart from the others and whole.
QSize smallestClient(const EditorLayout& layout);

} // namespace palvex::editor
