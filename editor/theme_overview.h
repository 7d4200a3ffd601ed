#pragma once

#include "pictures/theme_comparison.h"
#include "theme/slot_catalogue.h"
#include "theme/unpacked_theme.h"

#include <QColor>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class QFileDialog;
class QLabel;
class QListWidget;
class QPushButton;

namespace palvex::editor {

// The mark of a slot that differs from the theme compared with.
inline const QColor kChangeMark{0x00, 0x60, 0xd0};

// Every slot of a model at once: one thumbnail per slot with its details and, for a slot
// that is not ok, a red mark. Enter or a double-click on a thumbnail asks for that slot. Compared
// with another theme's archive, the slots that differ from it get a blue mark.
class ThemeOverview : public QWidget {
    Q_OBJECT
public:
    using FileDialogRunner = std::function<std::optional<QString>(QFileDialog&)>;

    ThemeOverview(theme::TerminalModel model, QString workspaceRoot, QWidget* parent = nullptr);
    ~ThemeOverview() override;

    // Verifies the workspace again (and compares it again) and redraws every thumbnail.
    void refresh();
    // Asks for another theme's archive, unpacks it privately and marks what differs.
    void compareWithAnotherTheme();
    // Tests answer the dialog instead of a user.
    void setFileDialogRunner(FileDialogRunner runner) { runFileDialog_ = std::move(runner); }

signals:
    void slotChosen(int index);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString comparisonSummary(const pictures::ThemeComparison& comparison) const;

    theme::TerminalModel model_;
    QString workspace_;
    std::unique_ptr<theme::UnpackedTheme> other_; // the theme compared with, while it is
    QString otherName_;
    FileDialogRunner runFileDialog_;
    QLabel* lblSummary = nullptr;
    QPushButton* btnCompare = nullptr;
    QListWidget* lstSlots = nullptr;
    QFileDialog* dlgCompare = nullptr;
};

} // namespace palvex::editor
