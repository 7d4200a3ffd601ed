#pragma once

#include "theme/slot_catalogue.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace palvex::pictures {

enum class SlotStatus { Ok, Missing, Unreadable, TooBig, TooLarge };

// "ok", "missing", "unreadable", "too-big" (too many kb), "too-large" (too high or wide).
QString slotStatusName(SlotStatus status);

// One slot of a workspace as a terminal would meet it.
struct SlotFinding {
    int index = -1;
    QString label;
    QString relativePath; // below the workspace root, "/"-separated
    theme::LimitGroup limits{};
    SlotStatus status = SlotStatus::Missing;
    std::optional<std::int64_t> bytes; // when a regular file is there
    QImage picture;                    // when it decodes, even if it is over its limits
    QString problem;                   // why it is not ok, in a few words

    bool ok() const { return status == SlotStatus::Ok; }
};

// The details a technician reads: "12.06 kb H:210 W:320, limits 45.00 kb H:210 W:320", and
// the problem after a "; " when the slot is not ok.
QString findingDetails(const SlotFinding& finding);

struct ThemeFindings {
    theme::TerminalModel model = theme::TerminalModel::Korvell;
    QList<SlotFinding> bySlot; // catalogue order
    QStringList extraFiles;    // files of no slot, relative and sorted: information only

    qsizetype okCount() const;
    bool allSlotsOk() const { return okCount() == bySlot.size(); }
};

// Checks a workspace against a model's catalogue, slot by slot, with the rules a change
// applies: the exact file name, the size, then the decoded height and width.
class ThemeVerification {
public:
    ThemeVerification(theme::TerminalModel model, QString workspaceRoot);

    ThemeFindings run() const;
    SlotFinding verifySlot(int index) const;
    QStringList extraFiles() const;

private:
    void checkContent(SlotFinding& finding, const QString& path) const;

    theme::TerminalModel model_;
    QString root_;
};

} // namespace palvex::pictures
