#include "theme/slot_undo.h"

#include "theme/file_functions.h"

namespace palvex::theme {

bool SlotUndo::keep(const QString& slotFile) {
    auto copy = std::make_unique<platform::TemporaryFile>("undo-");
    if (!*copy || !replaceFile(slotFile, QString::fromStdString(copy->path()), nullptr))
        return false;
    kept_.push_back({slotFile, std::move(copy)});
    return true;
}

} // namespace palvex::theme
