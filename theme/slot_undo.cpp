#include "theme/slot_undo.h"

#include "theme/file_functions.h"
#include "theme/printable_text.h"
#include "theme/texts.h"

namespace palvex::theme {

bool SlotUndo::keep(const QString& slotFile, QString* problem) {
    if (absentInFolder(slotFile)) {
        kept_.push_back({slotFile, nullptr});
        return true;
    }
    auto copy = std::make_unique<platform::TemporaryFile>("undo-");
    QString reason;
    if (!*copy || !replaceFile(slotFile, QString::fromStdString(copy->path()), &reason)) {
        if (problem)
            *problem = !*copy
                           ? texts::kTemporaryFolderFault.arg(printableName(copy->problem()))
                           : texts::kTemporaryWriteFault.arg(printableName(copy->path()), reason);
        return false;
    }
    kept_.push_back({slotFile, std::move(copy)});
    return true;
}

} // namespace palvex::theme
