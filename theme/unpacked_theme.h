#pragma once

#include "platform/temporary_file.h"
#include "theme/archive_kind.h"
#include "theme/slot_catalogue.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace palvex::theme {

// A theme archive unpacked into a private temporary folder of its own, which goes with the
// object on every way out: looking at an archive never touches a user's workspace.
class UnpackedTheme {
public:
    // False, with *error saying why, when no private temporary folder can be had or the unpack
    // failed on this machine (a full disk): no slot is judged on a half-made unpack.
    // Otherwise unpacks whatever can be unpacked and keeps what was wrong with the archive.
    bool unpack(TerminalModel model, const QString& archive, QString* error);
    // The most the archive may unpack to: the check and the unpack both stop there.
    void setMaxSize(std::int64_t bytes) { maxSize_ = bytes; }

    const QString& workspace() const { return workspace_; }
    // What the archive check and the unpack found wrong, one line each; empty when nothing.
    const QStringList& problems() const { return problems_; }

private:
    std::optional<platform::TemporaryFolder> folder_;
    QString workspace_;
    QStringList problems_;
    std::int64_t maxSize_ = kDefaultMaxTarSize;
};

} // namespace palvex::theme
