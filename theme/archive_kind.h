#pragma once

#include <cstdint>
#include <string>

namespace palvex::theme {

// The most a theme archive may unpack to unless told otherwise: the unpack and the archive check
// stop there.
inline constexpr std::int64_t kDefaultMaxTarSize = std::int64_t(1) << 30;

enum class ArchiveKind { Bzip2, Tar, Unknown };

struct ArchiveProbe {
    ArchiveKind kind = ArchiveKind::Unknown;
    std::int64_t size = 0;
};

// What a theme archive holds, told by its first bytes, never by its name: a FAT-formatted
// stick shows "IMG.BZ2", and a plain tar may be called anything. A bzip2 stream starts with
// "BZh" and a block size digit; a tar archive is what the archive type check recognises.
ArchiveProbe probeArchive(const std::string& path);

} // namespace palvex::theme
