#include "editor/theme_overview.h"

#include "editor/window_style.h"
#include "pictures/contact_sheet.h"
#include "pictures/theme_verification.h"
#include "theme/printable_text.h"

#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QVBoxLayout>

namespace palvex::editor {

using namespace theme;
using namespace pictures;

namespace {

QIcon cellIcon(const SlotFinding& finding, QSize size) {
    QImage cell(size, QImage::Format_RGB32);
    QPainter painter(&cell);
    drawSlotCell(painter, cell.rect(), finding);
    return QIcon(QPixmap::fromImage(cell));
}

} // namespace

ThemeOverview::ThemeOverview(TerminalModel model, QString workspaceRoot, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(model), workspace_(std::move(workspaceRoot)) {
    setObjectName(QStringLiteral("frmOverview"));
    setWindowTitle(model == TerminalModel::Korvell ? QStringLiteral("Korvell theme overview")
                                                   : QStringLiteral("Korvell Plus theme overview"));
    applyWindowFont(this);
    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblSummary->setWordWrap(true);
    lstSlots = new QListWidget(this);
    lstSlots->setObjectName(QStringLiteral("lstSlots"));
    const SheetGeometry geometry = sheetGeometry(model);
    lstSlots->setViewMode(QListView::IconMode);
    lstSlots->setMovement(QListView::Static);
    lstSlots->setResizeMode(QListView::Adjust);
    lstSlots->setIconSize(geometry.cell);
    lstSlots->setGridSize(geometry.cell + QSize(4, 4));
    lstSlots->setUniformItemSizes(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblSummary);
    layout->addWidget(lstSlots);
    const QSize sheet = geometry.size(static_cast<int>(slotCatalogue(model).size()));
    resize(sheet.width() + 4 * geometry.columns + 40, 620);
    connect(lstSlots, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { emit slotChosen(lstSlots->row(item)); });
}

void ThemeOverview::refresh() {
    const ThemeFindings findings = ThemeVerification(model_, workspace_).run();
    const QSize cell = sheetGeometry(model_).cell;
    const int current = lstSlots->currentRow();
    lstSlots->clear();
    for (const SlotFinding& finding : findings.bySlot) {
        auto* item = new QListWidgetItem(cellIcon(finding, cell), QString(), lstSlots);
        item->setToolTip(printable(finding.label + QStringLiteral(": ") +
                                   slotStatusName(finding.status) + QStringLiteral(", ") +
                                   findingDetails(finding)));
    }
    lstSlots->setCurrentRow(current);
    QString summary =
        QStringLiteral("%1 of %2 slots ok").arg(findings.okCount()).arg(findings.bySlot.size());
    if (!findings.extraFiles.isEmpty())
        summary +=
            QStringLiteral("; files of no slot: ") + findings.extraFiles.join(QStringLiteral(", "));
    lblSummary->setText(printable(summary));
}

void ThemeOverview::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
}

} // namespace palvex::editor
