#include "theme/archive_kind.h"

#include "archive/tar_header.h"
#include "platform/exception.h"
#include "platform/file_operations.h"

namespace palvex::theme {

ArchiveProbe probeArchive(const std::string& path) {
    // Opening a FIFO or a device would wait for ever, or read without end.
    if (!platform::isRegularFile(path))
        return {};
    try {
        FileStream in(path, FileStream::Mode::OpenRead);
        ArchiveProbe probe{ArchiveKind::Unknown, in.size()};
        char signature[4] = {};
        if (in.read(signature, 4) == 4 && signature[0] == 'B' && signature[1] == 'Z' &&
            signature[2] == 'h' && signature[3] >= '1' && signature[3] <= '9')
            probe.kind = ArchiveKind::Bzip2;
        else if (archive::IsTarArchive(in))
            probe.kind = ArchiveKind::Tar;
        return probe;
    } catch (const Exception&) {
        return {};
    }
}

} // namespace palvex::theme
