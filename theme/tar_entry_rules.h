#pragma once

#include "archive/tar_header.h"

#include <QStringList>
#include <cstddef>
#include <cstdint>

namespace palvex::theme {

// Reads the raw header blocks of a tar stream, fed in pieces, and notes every entry a
// terminal cannot take: anything but a regular file or a folder (extension headers, links,
// devices), a name that is not plain ASCII, longer than 100 bytes or holding "..", a bad
// checksum. Data blocks are skipped, never kept.
class TarEntryRules {
public:
    void feed(const char* data, std::size_t size);
    // Call once the stream has ended; a stream that stopped inside an entry is noted.
    void finish();

    const QStringList& problems() const { return problems_; }
    int entries() const { return entries_; }

private:
    void checkHeader(const archive::TarHeader& header);
    void checkName(const archive::TarHeader& header);
    bool hasData(char type) const;

    archive::TarHeader header_{};
    std::size_t filled_ = 0;
    std::uint64_t skip_ = 0; // data and padding of the current entry still to come
    bool ended_ = false;     // past the end-of-archive block or an unreadable header
    int entries_ = 0;
    QStringList problems_;
};

} // namespace palvex::theme
