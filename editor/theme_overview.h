#pragma once

#include "theme/slot_catalogue.h"

#include <QWidget>

class QLabel;
class QListWidget;

namespace palvex::editor {

// Every slot of a model at once: one thumbnail per slot with its details and, for a slot
// that is not ok, a red mark. Double-clicking a thumbnail asks for that slot.
class ThemeOverview : public QWidget {
    Q_OBJECT
public:
    ThemeOverview(theme::TerminalModel model, QString workspaceRoot, QWidget* parent = nullptr);

    // Verifies the workspace again and redraws every thumbnail.
    void refresh();

signals:
    void slotChosen(int index);

protected:
    void showEvent(QShowEvent* event) override;

private:
    theme::TerminalModel model_;
    QString workspace_;
    QLabel* lblSummary = nullptr;
    QListWidget* lstSlots = nullptr;
};

} // namespace palvex::editor
