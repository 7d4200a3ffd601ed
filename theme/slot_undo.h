#pragma once

#include "platform/temporary_file.h"

#include <QString>
#include <memory>
#include <vector>

namespace palvex::theme {

// The slot files as they were before each change, newest last, so that changes can be taken
// back one by one. The copies live in the private temporary folder and go with this object
// (or with clear()), never in the workspace, which is packed as it stands.
class SlotUndo {
public:
    // Keeps a copy of the slot file as it is now, or that there is none; false when no copy
    // could be made, with *problem (when given) saying what failed.
    bool keep(const QString& slotFile, QString* problem = nullptr);

    bool isEmpty() const { return kept_.empty(); }
    // The slot file the newest copy belongs to, and that copy's path.
    const QString& lastSlotFile() const { return kept_.back().slotFile; }
    QString lastCopy() const { return QString::fromStdString(kept_.back().copy->path()); }
    // Whether the newest change made the slot file where none was: taken back by removing it.
    bool lastWasAbsent() const { return !kept_.back().copy; }
    // Drops the newest copy once it has been put back.
    void dropLast() { kept_.pop_back(); }
    void clear() { kept_.clear(); }

private:
    struct Kept {
        QString slotFile;
        std::unique_ptr<platform::TemporaryFile> copy; // none when the slot had no file
    };
    std::vector<Kept> kept_;
};

} // namespace palvex::theme
