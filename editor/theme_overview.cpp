#include "editor/theme_overview.h"

#include "editor/name_filters.h"
#include "editor/window_placement.h"
#include "editor/window_style.h"
#include "pictures/contact_sheet.h"
#include "pictures/theme_verification.h"
#include "theme/printable_text.h"
#include "theme/texts.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>

namespace palvex::editor {

using namespace theme;
using namespace pictures;

namespace {

constexpr int kMarkInset = 5;
constexpr int kMarkWidth = 3;

// The words a cell and its tooltip give a difference, the other theme being named.
QString differenceText(Difference difference, const QString& other) {
    switch (difference) {
    case Difference::Changed:
        return QStringLiteral("changed against %1").arg(other);
    case Difference::OnlyInA:
        return QStringLiteral("missing in %1").arg(other);
    case Difference::OnlyInB:
        return QStringLiteral("only in %1").arg(other);
    case Difference::Same:
        break;
    }
    return {};
}

QIcon cellIcon(const SlotFinding& finding, QSize size, Difference difference) {
    QImage cell(size, QImage::Format_RGB32);
    QPainter painter(&cell);
    drawSlotCell(painter, cell.rect(), finding);
    if (difference != Difference::Same) {
        painter.setPen(QPen(kChangeMark, kMarkWidth));
        painter.drawRect(
            cell.rect().adjusted(kMarkInset, kMarkInset, -kMarkInset - 1, -kMarkInset - 1));
        QFont font = painter.font();
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(cell.rect().adjusted(0, kMarkInset + kMarkWidth, -kMarkInset - 6, 0),
                         Qt::AlignRight | Qt::AlignTop, differenceName(difference).toUpper());
    }
    return QIcon(QPixmap::fromImage(cell));
}

// The cursor waits on every way out.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

ThemeOverview::ThemeOverview(TerminalModel model, QString workspaceRoot, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(model), workspace_(std::move(workspaceRoot)) {
    setObjectName(QStringLiteral("frmOverview"));
    setWindowTitle(model == TerminalModel::Korvell ? QStringLiteral("Korvell theme overview")
                                                   : QStringLiteral("Korvell Plus theme overview"));
    applyWindowFont(this);
    runFileDialog_ = [](QFileDialog& dialog) -> std::optional<QString> {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().constFirst();
    };
    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblSummary->setWordWrap(true);
    lblSummary->setTextFormat(Qt::PlainText); // it names files from archives
    btnCompare = new QPushButton(texts::kCompareWithAnotherTheme, this);
    btnCompare->setObjectName(QStringLiteral("btnCompare"));
    dlgCompare = new QFileDialog(this);
    dlgCompare->setObjectName(QStringLiteral("dlgCompare"));
    dlgCompare->setAcceptMode(QFileDialog::AcceptOpen);
    dlgCompare->setFileMode(QFileDialog::ExistingFile);
    dlgCompare->setNameFilters(qtNameFilters(dialogs::kArchiveFilter));
    dlgCompare->setDirectory(modelFolder(model));
    keepDialogOnScreen(dlgCompare);
    lstSlots = new QListWidget(this);
    lstSlots->setObjectName(QStringLiteral("lstSlots"));
    const SheetGeometry geometry = sheetGeometry(model);
    lstSlots->setViewMode(QListView::IconMode);
    lstSlots->setMovement(QListView::Static);
    lstSlots->setResizeMode(QListView::Adjust);
    lstSlots->setIconSize(geometry.cell);
    lstSlots->setGridSize(geometry.cell + QSize(4, 4));
    lstSlots->setUniformItemSizes(true);
    auto* top = new QHBoxLayout;
    top->addWidget(lblSummary, 1);
    top->addWidget(btnCompare, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(lstSlots);
    const QSize sheet = geometry.size(static_cast<int>(slotCatalogue(model).size()));
    resize(sheet.width() + 4 * geometry.columns + 40, 620);
    // Enter asks for the current slot and leaves the overview in front, for the next one; a
    // double-click asks for it and brings the editor forward to show it. Escape closes.
    lstSlots->installEventFilter(this);
    lstSlots->setFocus(); // the thumbnails take the keys from the start
    connect(lstSlots, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        emit slotChosen(lstSlots->row(item));
        if (QWidget* editor = parentWidget()) {
            editor->raise();
            editor->activateWindow();
        }
    });
    connect(new QShortcut(Qt::Key_Escape, this), &QShortcut::activated, this, &QWidget::close);
    connect(btnCompare, &QPushButton::clicked, this, &ThemeOverview::compareWithAnotherTheme);
}

ThemeOverview::~ThemeOverview() = default;

void ThemeOverview::refresh() {
    const WaitCursor waiting;
    const SheetGeometry geometry = sheetGeometry(model_);
    const ThemeFindings findings =
        ThemeVerification(model_, workspace_).run(geometry.thumbnailBox());
    std::optional<ThemeComparison> comparison;
    if (other_)
        comparison = compareThemes(model_, workspace_, other_->workspace());
    const int current = lstSlots->currentRow();
    lstSlots->clear();
    for (const SlotFinding& finding : findings.bySlot) {
        const Difference difference =
            comparison ? comparison->bySlot[finding.index].difference : Difference::Same;
        auto* item =
            new QListWidgetItem(cellIcon(finding, geometry.cell, difference), QString(), lstSlots);
        QString tip = finding.label + QStringLiteral(": ") + slotStatusName(finding.status) +
                      QStringLiteral(", ") + findingDetails(finding);
        if (difference != Difference::Same)
            tip += QStringLiteral("; ") + differenceText(difference, otherName_);
        item->setToolTip(printable(tip));
    }
    lstSlots->setCurrentRow(std::max(current, 0)); // for the arrow keys and Enter
    QString summary =
        QStringLiteral("%1 of %2 slots ok").arg(findings.okCount()).arg(findings.bySlot.size());
    if (!findings.extraFiles.isEmpty())
        summary += QStringLiteral("; files of no slot: ") +
                   printable(findings.extraFiles.join(QStringLiteral(", ")));
    if (comparison)
        summary += QStringLiteral("\n") + comparisonSummary(*comparison);
    lblSummary->setText(summary);
}

QString ThemeOverview::comparisonSummary(const ThemeComparison& comparison) const {
    if (comparison.same())
        return QStringLiteral("The same as %1").arg(otherName_);
    return QStringLiteral("Against %1: %2 slots changed, %3 missing there, %4 only there; %5 "
                          "files of no slot differ")
        .arg(otherName_)
        .arg(comparison.slotsWith(Difference::Changed))
        .arg(comparison.slotsWith(Difference::OnlyInA))
        .arg(comparison.slotsWith(Difference::OnlyInB))
        .arg(comparison.extraFiles.size() - comparison.extraFilesWith(Difference::Same));
}

void ThemeOverview::compareWithAnotherTheme() {
    const std::optional<QString> archive = runFileDialog_(*dlgCompare);
    if (!archive)
        return;
    auto other = std::make_unique<UnpackedTheme>();
    QString error;
    {
        const WaitCursor waiting;
        if (!other->unpack(model_, *archive, &error)) {
            lblSummary->setText(error);
            return;
        }
    }
    other_ = std::move(other);
    otherName_ = printable(QFileInfo(*archive).fileName());
    refresh();
}

bool ThemeOverview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lstSlots && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && lstSlots->currentRow() >= 0) {
            emit slotChosen(lstSlots->currentRow());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ThemeOverview::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    placeOnScreen(this);
    refresh();
}

} // namespace palvex::editor
