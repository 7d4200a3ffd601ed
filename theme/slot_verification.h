#pragma once

#include "theme/slot_catalogue.h"

#include <QSize>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// The verification rules that need no pixels: a slot file's presence under its exact name, its
// kind, its size, its structure and the height and width its header declares, the statuses and
// the words that explain them. Decoding the pixels lies with the pictures.
namespace palvex::theme {

// OverBytes: more kb than the slot takes; OverPixels: higher or wider than it takes.
enum class SlotStatus { Ok, Missing, Unreadable, OverBytes, OverPixels };

// The one name of a status in every report, line, JSON, sheet and overview alike: "ok",
// "missing", "unreadable", "over-bytes", "over-pixels".
QString slotStatusName(SlotStatus status);

// One slot of a workspace as a terminal would meet it.
struct SlotFileFinding {
    int index = -1;
    QString label;
    QString relativePath; // below the workspace root, "/"-separated
    LimitGroup limits{};
    SlotStatus status = SlotStatus::Missing;
    std::optional<std::int64_t> bytes; // when a regular file is there
    QSize dimensions;                  // as the picture's header declares them, when it can be read
    QString problem;                   // why it is not ok, in a few words

    bool ok() const { return status == SlotStatus::Ok; }
    // Sets the status with the problem the rules give for it; reason for an unreadable one.
    void refuse(SlotStatus why, const QString& reason = {});
    bool exceedsLimits(QSize size) const {
        return size.height() > limits.maxHeight || size.width() > limits.maxWidth;
    }
};

// The details a technician reads: "12.06 kb H:210 W:320, limits 45.00 kb H:210 W:320", and
// the problem after a "; " when the slot is not ok.
QString findingDetails(const SlotFileFinding& finding);

// The rules of one slot file in the order a change applies them: present under its exact name
// (a name in other letter case is named), a regular file, within its kb, whole in its structure
// and within its height and width as its header declares them. Ok here means that its pixels
// are to be decoded next.
SlotFileFinding checkSlotFile(TerminalModel model, int index, const QString& workspaceRoot);

// The files of the workspace that belong to no slot, relative and sorted; links are listed,
// never followed.
QStringList extraFiles(TerminalModel model, const QString& workspaceRoot);

} // namespace palvex::theme
