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

} // namespace palvex::editor
