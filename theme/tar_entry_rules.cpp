#include "theme/tar_entry_rules.h"

#include "theme/printable_text.h"

#include <algorithm>

namespace palvex::theme {

namespace {

using archive::TarHeader;

bool allZero(const TarHeader& header) {
    return std::all_of(header.begin(), header.end(), [](std::uint8_t b) { return b == 0; });
}

std::string fieldBytes(const TarHeader& header, archive::TarField field) {
    const auto* begin = reinterpret_cast<const char*>(header.data() + field.offset);
    return std::string(begin, strnlen(begin, field.width));
}

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

void TarEntryRules::feed(const char* data, std::size_t size) {
    while (size > 0 && !ended_) {
        if (skip_ > 0) {
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(skip_, size));
            skip_ -= n;
            data += n;
            size -= n;
            continue;
        }
        const std::size_t n = std::min(size, archive::kTarBlockSize - filled_);
        std::copy_n(data, n, header_.begin() + static_cast<std::ptrdiff_t>(filled_));
        filled_ += n;
        data += n;
        size -= n;
        if (filled_ == archive::kTarBlockSize) {
            filled_ = 0;
            checkHeader(header_);
        }
    }
}

void TarEntryRules::finish() {
    if (!ended_ && (skip_ > 0 || filled_ > 0))
        problems_ << QStringLiteral("the tar archive ends inside an entry");
    ended_ = true;
}

void TarEntryRules::checkHeader(const TarHeader& header) {
    if (allZero(header)) {
        ended_ = true; // the end-of-archive block; what follows is padding
        return;
    }
    ++entries_;
    if (!archive::HeaderChecksumValid(header)) {
        problems_ << QStringLiteral("entry %1: the header's checksum is wrong").arg(entries_);
        ended_ = true; // its size cannot be trusted, so neither can anything after it
        return;
    }
    const char type = archive::TypeFlag(header);
    if (type != archive::kTypeFile && type != '\0' && type != archive::kTypeDirectory)
        problems_ << printableName(fieldBytes(header, archive::tar_field::name)) +
                         QStringLiteral(": is ") + typeProblem(type) +
                         QStringLiteral(", not a file or a folder");
    checkName(header);
    if (hasData(type)) {
        const std::uint64_t size = archive::ParseOctal(header, archive::tar_field::size);
        skip_ =
            (size + archive::kTarBlockSize - 1) / archive::kTarBlockSize * archive::kTarBlockSize;
    }
}

// Links, devices, FIFOs and folders carry no data blocks, whatever their size field says.
bool TarEntryRules::hasData(char type) const {
    return type < '1' || type > '6';
}

// Checked on the name's bytes, shown with its control characters and stray bytes escaped.
void TarEntryRules::checkName(const TarHeader& header) {
    std::string name = fieldBytes(header, archive::tar_field::name);
    const std::string magic = fieldBytes(header, archive::tar_field::magic);
    const std::string prefix = fieldBytes(header, archive::tar_field::prefix);
    // A ustar prefix lengthens the name beyond the 100 bytes the terminal reads.
    if (magic.starts_with("ustar") && !prefix.empty())
        name = prefix + '/' + name;
    const QString shown = printableName(name);
    if (name.size() > archive::tar_field::name.width)
        problems_ << shown + QStringLiteral(": the name is longer than 100 bytes");
    if (std::any_of(name.begin(), name.end(), [](char c) { return c < ' ' || c > '~'; }))
        problems_ << shown + QStringLiteral(": the name is not plain ASCII");
    std::replace(name.begin(), name.end(), '\\', '/');
    if (('/' + name + '/').find("/../") != std::string::npos)
        problems_ << shown + QStringLiteral(": the name holds \"..\"");
}

} // namespace palvex::theme
