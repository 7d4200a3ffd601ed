#include "pictures/contact_sheet.h"

#include "theme/size_text.h"

#include <QFileInfo>
#include <QPainter>

namespace palvex::pictures {

using namespace theme;

namespace {

constexpr int kMargin = 6;
constexpr int kTextLine = 15;
constexpr int kTextLines = 3;
constexpr int kFrame = 3;

QFont sheetFont(int pixelSize, bool bold = false) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QString sizeLine(const SlotFinding& finding) {
    QStringList parts;
    if (finding.bytes)
        parts << formatByteSizeAsKb(*finding.bytes) + QStringLiteral(" kb");
    if (finding.dimensions.isValid())
        parts << dimensionsText(finding.dimensions);
    return parts.isEmpty() ? QStringLiteral("-") : parts.join(QStringLiteral("   "));
}

void drawPicture(QPainter& painter, const QRect& area, const SlotFinding& finding) {
    if (finding.thumbnail.isNull()) {
        painter.setPen(QPen(kProblemMark, 2));
        painter.drawLine(area.topLeft(), area.bottomRight());
        painter.drawLine(area.topRight(), area.bottomLeft());
        return;
    }
    QImage picture = finding.thumbnail;
    if (picture.width() > area.width() || picture.height() > area.height())
        picture = picture.scaled(area.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QRect placed(QPoint(), picture.size());
    placed.moveCenter(area.center());
    painter.drawImage(placed, picture);
}

QRect textArea(const QRect& cell) {
    const QRect inner = cell.adjusted(kMargin, kMargin, -kMargin, -kMargin);
    return {inner.left(), inner.bottom() - kTextLines * kTextLine + 1, inner.width(),
            kTextLines * kTextLine};
}

QRect pictureArea(const QRect& cell) {
    const QRect inner = cell.adjusted(kMargin, kMargin, -kMargin, -kMargin);
    return {inner.topLeft(), QPoint(inner.right(), textArea(cell).top() - 4)};
}

void drawTitle(QPainter& painter, int width, int height, const QString& title) {
    painter.setFont(sheetFont(16, true));
    painter.drawText(QRect(kMargin, 0, width - 2 * kMargin, height),
                     Qt::AlignLeft | Qt::AlignVCenter, title);
}

} // namespace

QSize SheetGeometry::thumbnailBox() const {
    return pictureArea(QRect(QPoint(), cell)).size();
}

QSize SheetGeometry::size(int slotCount) const {
    const int rows = (slotCount + columns - 1) / columns;
    return {columns * cell.width(), titleHeight + rows * cell.height()};
}

QRect SheetGeometry::cellRect(int index) const {
    return {
        QPoint((index % columns) * cell.width(), titleHeight + (index / columns) * cell.height()),
        cell};
}

SheetGeometry sheetGeometry(TerminalModel model) {
    return {model == TerminalModel::Korvell ? 6 : 5, QSize(200, 190), 32};
}

void drawSlotCell(QPainter& painter, const QRect& cell, const SlotFinding& finding) {
    painter.save();
    painter.fillRect(cell, Qt::white);
    const QRect text = textArea(cell);
    drawPicture(painter, pictureArea(cell), finding);

    painter.setPen(Qt::black);
    painter.setFont(sheetFont(12, true));
    QRect line(text.topLeft(), QSize(text.width(), kTextLine));
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("%1  %2").arg(finding.index).arg(finding.label));
    painter.setFont(sheetFont(11));
    line.translate(0, kTextLine);
    // The status goes on the file name's line, whose names are short: the size line, with
    // the height and width of a huge picture, has no room for it.
    const QRect nameLine = line;
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter,
                     QFileInfo(finding.relativePath).fileName());
    line.translate(0, kTextLine);
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, sizeLine(finding));

    if (finding.ok()) {
        painter.setPen(QPen(Qt::lightGray, 1));
        painter.drawRect(cell.adjusted(0, 0, -1, -1));
    } else {
        painter.setPen(QPen(kProblemMark, kFrame));
        painter.drawRect(cell.adjusted(1, 1, -2, -2));
        painter.setFont(sheetFont(12, true));
        painter.drawText(nameLine, Qt::AlignRight | Qt::AlignVCenter,
                         slotStatusName(finding.status).toUpper());
    }
    painter.restore();
}

QImage drawContactSheet(const ThemeFindings& findings, const QString& title) {
    const SheetGeometry geometry = sheetGeometry(findings.model);
    QImage sheet(geometry.size(static_cast<int>(findings.bySlot.size())), QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    drawTitle(painter, sheet.width(), geometry.titleHeight, title);
    for (const SlotFinding& finding : findings.bySlot)
        drawSlotCell(painter, geometry.cellRect(finding.index), finding);
    return sheet;
}

QImage drawComparisonSheet(TerminalModel model, const QList<SlotPair>& pairs, const QString& title,
                           const QStringList& sideNames) {
    const SheetGeometry geometry = sheetGeometry(model);
    const int rows = std::max(1, int(pairs.size()));
    QImage sheet(2 * geometry.cell.width(),
                 2 * geometry.titleHeight + rows * geometry.cell.height(), QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    drawTitle(painter, sheet.width(), geometry.titleHeight, title);
    painter.setFont(sheetFont(12, true));
    for (int side = 0; side < 2 && side < sideNames.size(); ++side)
        painter.drawText(QRect(side * geometry.cell.width() + kMargin, geometry.titleHeight,
                               geometry.cell.width() - 2 * kMargin, geometry.titleHeight),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         painter.fontMetrics().elidedText(sideNames[side], Qt::ElideMiddle,
                                                          geometry.cell.width() - 2 * kMargin));
    for (int row = 0; row < pairs.size(); ++row) {
        const QPoint corner(0, 2 * geometry.titleHeight + row * geometry.cell.height());
        drawSlotCell(painter, QRect(corner, geometry.cell), pairs[row].first);
        drawSlotCell(painter, QRect(corner + QPoint(geometry.cell.width(), 0), geometry.cell),
                     pairs[row].second);
    }
    return sheet;
}

} // namespace palvex::pictures
