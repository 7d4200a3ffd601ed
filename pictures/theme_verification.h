#pragma once

#include "theme/slot_verification.h"

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

namespace palvex::pictures {

using theme::findingDetails;
using theme::SlotStatus;
using theme::slotStatusName;

// One slot as a terminal would meet it, and what is drawn of it: a thumbnail when one was
// asked for and the picture decodes, never the full picture.
struct SlotFinding : theme::SlotFileFinding {
    QImage thumbnail;
};

struct ThemeFindings {
    theme::TerminalModel model = theme::TerminalModel::Korvell;
    QList<SlotFinding> bySlot; // catalogue order
    QStringList extraFiles;    // files of no slot, relative and sorted: information only

    qsizetype okCount() const;
    bool allSlotsOk() const { return okCount() == bySlot.size(); }
};

// Checks a workspace against a model's catalogue, slot by slot, with the rules a change
// applies: the exact file name, the size, the height and width the header declares, then the
// decode. One slot's picture is decoded at a time, and only a picture within its limits.
class ThemeVerification {
public:
    ThemeVerification(theme::TerminalModel model, QString workspaceRoot);

    // With a thumbnail box, each slot that decodes keeps its picture reduced to fit the box.
    ThemeFindings run(QSize thumbnailBox = {}) const;
    SlotFinding verifySlot(int index, QSize thumbnailBox = {}) const;
    QStringList extraFiles() const;

private:
    theme::TerminalModel model_;
    QString root_;
};

} // namespace palvex::pictures
