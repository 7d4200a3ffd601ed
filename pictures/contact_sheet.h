#pragma once

#include "pictures/theme_verification.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <utility>

class QPainter;

namespace palvex::pictures {

// Where the cells of a contact sheet lie: a title band, then one cell per slot in
// catalogue order, row by row.
struct SheetGeometry {
    int columns;
    QSize cell;
    int titleHeight;

    QSize size(int slotCount) const;
    QRect cellRect(int index) const;
    // What a cell shows of a picture: the box its thumbnail is reduced to.
    QSize thumbnailBox() const;
};

SheetGeometry sheetGeometry(theme::TerminalModel model);

// The frame and status colour of a slot that is not ok.
inline const QColor kProblemMark{0xd0, 0x00, 0x00};

// One slot's cell: its thumbnail, label, name, kb and H x W, and for a slot that is not ok a
// red frame and its status.
void drawSlotCell(QPainter& painter, const QRect& cell, const SlotFinding& finding);

// The whole theme on one picture, what a technician mails as a proof, under a title.
QImage drawContactSheet(const ThemeFindings& findings, const QString& title);

// One slot of two themes side by side (A left, B right), one row per pair, under a title and
// the two themes' names.
using SlotPair = std::pair<SlotFinding, SlotFinding>;
QImage drawComparisonSheet(theme::TerminalModel model, const QList<SlotPair>& pairs,
                           const QString& title, const QStringList& sideNames);

} // namespace palvex::pictures
