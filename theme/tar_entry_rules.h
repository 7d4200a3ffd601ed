#pragma once

#include "archive/tar_entry_reader.h"
#include "platform/byte_stream.h"

#include <QStringList>

namespace palvex::theme {

// The terminal's rules, stricter than the unpack's, on the header blocks archive/'s entry
// reader walks: a terminal takes only regular files and folders (no extension records, links or
// devices), names of plain ASCII, at most 100 bytes long and without "..", and reads up to the
// first zero block. A bad checksum or an archive cut short is noted and ends the check. Nothing
// is kept of an entry's data.
class TarEntryRules {
public:
    // Walks the whole tar in tar, from its start.
    void check(ByteStream& tar);

    const QStringList& problems() const { return problems_; }
    int entries() const { return entries_; }

private:
    // False once the terminal would read no further.
    bool takeHeader(const archive::TarHeaderBlock& header);
    void checkName(const std::string& name);

    int entries_ = 0;
    QStringList problems_;
};

} // namespace palvex::theme
