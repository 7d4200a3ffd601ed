#pragma once

#include "platform/byte_stream.h"
#include "theme/archive_kind.h"

#include <QString>
#include <QStringList>
#include <cstdint>

namespace palvex::theme {

struct ArchiveCheck {
    QStringList problems{}; // empty when the archive passes
    bool tooLarge = false;  // its first stream alone decodes to more than the limit
    QString localFault{};   // why this machine could not check it (a full disk); then no problems
};

// Checks a theme archive the way a terminal reads it: exactly one bzip2 stream and nothing
// after it, holding a tar archive whose entries pass TarEntryRules. The stream is decoded into a
// temporary file of its own, at most maxSize bytes of it; nothing else is written anywhere.
ArchiveCheck checkThemeArchive(const QString& path, std::int64_t maxSize = kDefaultMaxTarSize);

// The same for an archive read from its current position, its first stream decoded into
// decodedTar (empty and seekable, read back from its start).
ArchiveCheck checkThemeArchive(ByteStream& archive, ByteStream& decodedTar, std::int64_t maxSize);

} // namespace palvex::theme
