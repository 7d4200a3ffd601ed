#include "theme/tar_entry_rules.h"

#include "theme/printable_text.h"

#include <algorithm>

namespace palvex::theme {

namespace {

// What an entry of a type other than file or folder is, for the report.
QString typeProblem(char type) {
    switch (type) {
    case 'x':
    case 'g':
        return QStringLiteral("a pax extended header");
    case 'L':
    case 'K':
        return QStringLiteral("a GNU long name header");
    case '1':
        return QStringLiteral("a hard link");
    case '2':
        return QStringLiteral("a symbolic link");
    case '3':
    case '4':
        return QStringLiteral("a device");
    case '6':
        return QStringLiteral("a FIFO");
    default:
        return QStringLiteral("of type '%1'").arg(QString::fromLatin1(&type, 1));
    }
}

} // namespace

void TarEntryRules::check(ByteStream& tar) {
    archive::TarEntryReader reader(tar);
    reader.OnHeader = [this](const archive::TarHeaderBlock& header) {
        return takeHeader(header);
    };
    archive::TarEntry entry;
    for (;;) {
        const archive::TarStep step = reader.next(entry);
        if (step == archive::TarStep::End)
            return;
        if (step == archive::TarStep::Cut || !entry.dataComplete) {
            problems_ << (entry.dataComplete ? QStringLiteral("the tar archive cannot be read to "
                                                              "its end: ") +
                                                   printableName(entry.problem)
                                             : QStringLiteral("the tar archive ends inside an "
                                                              "entry"));
            return;
        }
    }
}

bool TarEntryRules::takeHeader(const archive::TarHeaderBlock& header) {
    if (header.zero)
        return false; // the end-of-archive block; what follows is padding
    ++entries_;
    if (!header.checksumValid) {
        problems_ << QStringLiteral("entry %1: the header's checksum is wrong").arg(entries_);
        return false; // its size cannot be trusted, so neither can anything after it
    }
    const char type = header.type;
    if (type != archive::kTypeFile && type != '\0' && type != archive::kTypeDirectory)
        problems_ << printableName(header.name) + QStringLiteral(": is ") + typeProblem(type) +
                         QStringLiteral(", not a file or a folder");
    checkName(header.name);
    return true;
}

// Checked on the name's bytes, shown with its control characters and stray bytes escaped. A
// ustar prefix lengthens the name beyond the 100 bytes the terminal reads.
void TarEntryRules::checkName(const std::string& name) {
    const QString shown = printableName(name);
    if (name.size() > archive::tar_field::name.width)
        problems_ << shown + QStringLiteral(": the name is longer than 100 bytes");
    if (std::any_of(name.begin(), name.end(), [](char c) { return c < ' ' || c > '~'; }))
        problems_ << shown + QStringLiteral(": the name is not plain ASCII");
    std::string slashed = name;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    if (('/' + slashed + '/').find("/../") != std::string::npos)
        problems_ << shown + QStringLiteral(": the name holds \"..\"");
}

} // namespace palvex::theme
