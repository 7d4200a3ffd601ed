// The header walk of the tar reader: where each member starts, what it is called and how
// long it is, whichever tool wrote it.
#include "archive/tar_entry_reader.h"

#include "platform/exception.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace palvex::archive {

namespace {

constexpr std::int64_t kBlock = static_cast<std::int64_t>(kTarBlockSize);
// "ustar" and a NUL: the POSIX magic, whose headers may carry a prefix. The old GNU magic has
// other fields at that place.
constexpr char kPosixMagic[6] = {'u', 's', 't', 'a', 'r', '\0'};

std::int64_t roundUpToBlock(std::int64_t value) {
    return (value + kBlock - 1) / kBlock * kBlock;
}

std::string fieldText(const TarHeader& header, TarField field) {
    const auto* begin = reinterpret_cast<const char*>(header.data() + field.offset);
    return std::string(begin, strnlen(begin, field.width));
}

std::string headerName(const TarHeader& header) {
    const std::string name = ReadName(header);
    if (std::memcmp(header.data() + tar_field::magic.offset, kPosixMagic, sizeof kPosixMagic) != 0)
        return name;
    const std::string prefix = fieldText(header, tar_field::prefix);
    return prefix.empty() ? name : prefix + '/' + name;
}

TarHeaderBlock describe(const TarHeader& header, std::int64_t offset) {
    return {offset, TypeFlag(header), headerName(header),
            std::all_of(header.begin(), header.end(), [](std::uint8_t b) { return b == 0; }),
            HeaderChecksumValid(header)};
}

} // namespace

TarStep TarEntryReader::cut(TarEntry& entry, std::string problem) {
    entry.problem = std::move(problem);
    at_ = length_;
    return TarStep::Cut;
}

bool TarEntryReader::readHeader(TarStep& step, TarEntry& entry) {
    const bool pending = next_.path || next_.linkPath || next_.size || next_.mtime ||
                         next_.sparse.present || longName_ || longLink_ || !pendingProblem_.empty();
    std::int64_t got = 0;
    if (at_ < length_) {
        try {
            archive_.seek(at_, ByteStream::Origin::Begin);
            got = archive_.read(header_.data(), kBlock);
        } catch (const Exception&) {
            got = 0;
        }
    }
    if (got == kBlock && OnHeader && !OnHeader(describe(header_, at_))) {
        at_ = length_;
        step = TarStep::End;
        return false;
    }
    if (got == kBlock)
        return true;
    if (pending)
        entry.name = next_.path ? *next_.path : longName_.value_or(std::string{});
    if (got > 0 && at_ > 0)
        step = cut(entry, "the archive ends inside a header");
    else if (pending)
        step = cut(entry, "the archive ends after an extended header, before its member");
    else
        step = TarStep::End; // the end, or a file shorter than one block: no entries
    return false;
}

bool TarEntryReader::isHeaderAt(std::int64_t offset) {
    TarHeader block{};
    if (offset > length_ - kBlock)
        return false;
    try {
        archive_.seek(offset, ByteStream::Origin::Begin);
        return archive_.read(block.data(), kBlock) == kBlock && HeaderChecksumValid(block);
    } catch (const Exception&) {
        return false;
    }
}

// Folders, links, devices and FIFOs have no data, yet some writers store a size on them (a
// folder's size on disk, a hard link's target's size). Other readers take such a size as
// data only where no header follows at once, and so does this one.
void TarEntryReader::dropSizeWithoutData(TarEntry& entry) {
    static constexpr std::string_view kNoDataTypes = "123456";
    if (entry.size <= 0 || kNoDataTypes.find(entry.type) == std::string_view::npos)
        return;
    if (entry.size > length_ - entry.dataOffset || isHeaderAt(entry.dataOffset))
        entry.size = 0;
}

bool TarEntryReader::readOldGnuMap(TarEntry& entry) {
    entry.sparse = true;
    bool sound = true;
    auto takeSlots = [&](const TarHeader& block, TarField map) {
        for (std::size_t at = map.offset;
             at + 2 * old_gnu_field::kSlotWidth <= map.offset + map.width;
             at += 2 * old_gnu_field::kSlotWidth) {
            if (block[at] == 0)
                return;
            const auto offset = ParseNumber(block, {at, old_gnu_field::kSlotWidth});
            const auto size =
                ParseNumber(block, {at + old_gnu_field::kSlotWidth, old_gnu_field::kSlotWidth});
            sound = sound && offset && size;
            if (static_cast<std::int64_t>(entry.fragments.size()) <= kMaxSparseFragments)
                entry.fragments.push_back({offset.value_or(0), size.value_or(0)});
        }
    };
    const auto realSize = ParseNumber(header_, old_gnu_field::realSize);
    entry.realSize = realSize.value_or(0);
    sound = sound && realSize.has_value();
    takeSlots(header_, old_gnu_field::sparse);
    bool extended = header_[old_gnu_field::isExtended.offset] != 0;
    TarHeader block{};
    // The extension blocks lie between the header and the data; every one is read, however
    // many, since the data only begins after the last.
    while (extended) {
        bool read = false;
        if (entry.dataOffset <= length_ - kBlock) {
            try {
                archive_.seek(entry.dataOffset, ByteStream::Origin::Begin);
                read = archive_.read(block.data(), kBlock) == kBlock;
            } catch (const Exception&) {
            }
        }
        if (!read)
            return false;
        takeSlots(block, old_gnu_field::extensionMap);
        extended = block[old_gnu_field::extensionIsExtended.offset] != 0;
        entry.dataOffset += kBlock;
    }
    entry.fragmentsOffset = entry.dataOffset;
    if (!sound && entry.problem.empty())
        entry.problem = "its sparse map is malformed";
    return true;
}

// Version 1.0 keeps the map as decimal lines at the start of the data: the number of
// fragments, then each one's offset and length, padded to a block. False when the archive
// ends inside the map.
bool TarEntryReader::readMapInData(TarEntry& entry) {
    const std::int64_t inArchive = length_ - entry.dataOffset;
    std::vector<std::int64_t> numbers;
    std::int64_t count = -1;
    std::string digits;
    std::int64_t at = 0;
    TarHeader chunk{};
    while (count < 0 || static_cast<std::int64_t>(numbers.size()) < 2 * count) {
        if (at >= entry.size) {
            entry.problem = "its sparse map is malformed";
            return true;
        }
        if (at >= inArchive)
            return false;
        if (at % kBlock == 0) {
            const std::int64_t want = std::min(kBlock, inArchive - at);
            try {
                archive_.seek(entry.dataOffset + at, ByteStream::Origin::Begin);
                if (archive_.read(chunk.data(), want) != want)
                    return false;
            } catch (const Exception&) {
                return false;
            }
        }
        const char c = static_cast<char>(chunk[static_cast<std::size_t>(at % kBlock)]);
        ++at;
        if (c != '\n') {
            digits += c;
            if (digits.size() > 18 || c < '0' || c > '9') {
                entry.problem = "its sparse map is malformed";
                return true;
            }
            continue;
        }
        // At most 18 digits and nothing else: a count that cannot overflow, or no number.
        std::int64_t number = 0;
        if (digits.empty() ||
            std::from_chars(digits.data(), digits.data() + digits.size(), number).ec !=
                std::errc{}) {
            entry.problem = "its sparse map is malformed";
            return true;
        }
        if (count < 0 && number > kMaxSparseFragments) {
            entry.problem = "its sparse map has more than " + std::to_string(kMaxSparseFragments) +
                            " fragments";
            return true;
        }
        digits.clear();
        if (count < 0)
            count = number;
        else
            numbers.push_back(number);
    }
    for (std::size_t i = 0; i < numbers.size(); i += 2)
        entry.fragments.push_back({numbers[i], numbers[i + 1]});
    entry.fragmentsOffset = entry.dataOffset + roundUpToBlock(at);
    return true;
}

namespace {

// Whether a name passes through the folder GNU tar puts a sparse file's header in, so that
// readers that know nothing of sparse files keep it apart: "GNUSparseFile.1234/name".
bool hasStandInFolder(std::string_view name) {
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t slash = std::min(name.find('/', at), name.size());
        if (slash < name.size() && name.substr(at, 14) == "GNUSparseFile.")
            return true;
        at = slash + 1;
    }
    return false;
}

} // namespace

// The GNU.sparse records of a regular member: its real name and size and where its map is.
bool TarEntryReader::takeSparse(TarEntry& entry, PaxSparse& sparse) {
    entry.sparse = true;
    entry.realSize = sparse.realSize.value_or(0);
    entry.fragmentsOffset = entry.dataOffset;
    const bool mapInData = sparse.major == 1;
    if (!entry.problem.empty())
        return true;
    if (sparse.malformed || sparse.pendingOffset || !sparse.realSize ||
        (sparse.major && *sparse.major > 1))
        entry.problem = "its sparse map is malformed";
    else if (!sparse.name && hasStandInFolder(entry.name))
        entry.problem = "it is a sparse file whose real name is missing";
    else if (mapInData)
        return readMapInData(entry);
    else
        entry.fragments = std::move(sparse.map);
    return true;
}

TarStep TarEntryReader::member(char type, std::int64_t size, TarEntry& entry,
                               std::int64_t recordsOffset) {
    entry.recordsOffset = recordsOffset;
    entry.headerOffset = at_;
    entry.dataOffset = at_ + kBlock;
    entry.type = type;
    PaxSparse sparse = std::move(next_.sparse);
    entry.name = sparse.name    ? *sparse.name
                 : next_.path   ? *next_.path
                 : longName_    ? *longName_
                 : global_.path ? *global_.path
                                : headerName(header_);
    entry.linkName = next_.linkPath     ? *next_.linkPath
                     : longLink_        ? *longLink_
                     : global_.linkPath ? *global_.linkPath
                                        : fieldText(header_, tar_field::linkname);
    entry.size = next_.size ? *next_.size : global_.size ? *global_.size : size;
    // A date before 1970 is taken as 1970, not mirrored into the future.
    entry.mtime = std::max<std::int64_t>(
        0, next_.mtime     ? *next_.mtime
           : global_.mtime ? *global_.mtime
                           : ParseNumber(header_, tar_field::mtime).value_or(0));
    entry.problem = std::move(pendingProblem_);
    if (!next_.ignored.empty())
        entry.warning = "the value of \"" + next_.ignored +
                        "\" in its extended header cannot be read; the header's own applies";
    // An extended header may carry any bytes: no file system takes a NUL in a name, and a
    // name longer than a path may be only makes every later check slow.
    constexpr std::size_t kMaxPath = 4096;
    if (entry.problem.empty() && (entry.name.find('\0') != std::string::npos ||
                                  entry.linkName.find('\0') != std::string::npos))
        entry.problem = "its name holds a NUL byte";
    else if (entry.problem.empty() &&
             (entry.name.size() > kMaxPath || entry.linkName.size() > kMaxPath))
        entry.problem = "its name is longer than a path may be";
    next_ = {};
    longName_.reset();
    longLink_.reset();
    pendingProblem_.clear();

    bool mapRead = true;
    if (type == kTypeGnuSparse)
        mapRead = readOldGnuMap(entry);
    else if (sparse.present && (type == kTypeFile || type == '\0' || type == kTypeContiguous))
        mapRead = takeSparse(entry, sparse);
    else
        dropSizeWithoutData(entry);
    if (!mapRead)
        return cut(entry, "the archive ends inside a sparse file's map");
    if (entry.sparse && entry.problem.empty())
        entry.problem = CheckSparseMap(entry.fragments, entry.realSize,
                                       entry.dataOffset + entry.size - entry.fragmentsOffset);

    if (entry.size > length_ - entry.dataOffset) {
        entry.dataComplete = false;
        at_ = length_;
    } else {
        at_ = entry.dataOffset + roundUpToBlock(entry.size);
    }
    return TarStep::Entry;
}

TarStep TarEntryReader::next(TarEntry& entry) {
    const std::int64_t recordsOffset = at_;
    for (;;) {
        entry = TarEntry{};
        TarStep step = TarStep::End;
        if (!readHeader(step, entry))
            return step;
        const std::string name = ReadName(header_);
        const std::optional<std::int64_t> size = ParseNumber(header_, tar_field::size);
        if (name.empty() || ParseOctal(header_, tar_field::chksum) == 0) {
            // A header without a name whose data runs past the end: a cut archive, not its end.
            if (size && *size > length_ - at_ - kBlock && HeaderChecksumValid(header_))
                return cut(entry, "the archive ends inside the data of an entry without a name");
            // Not an entry (zero blocks, for one): stepped over with whatever data it claims.
            const std::int64_t skip =
                size && *size > 0 ? roundUpToBlock(std::min(*size, length_)) : 0;
            if (skip >= length_ - at_ - 2 * kBlock) {
                at_ = length_;
                if (!readHeader(step, entry))
                    return step;
            }
            at_ += kBlock + skip;
            continue;
        }
        if (!size || *size < 0) {
            entry.name = name;
            return cut(entry, "its size field cannot be read");
        }
        const char type = TypeFlag(header_);
        if (type == kTypePaxEntry || type == kTypeSolarisPax || type == kTypePaxGlobal ||
            type == kTypeLongName || type == kTypeLongLink) {
            if (!takeRecord(type, *size, entry))
                return TarStep::Cut;
            continue;
        }
        if (type == kTypeSolarisAcl || type == kTypeSolarisXattr) {
            // Solaris tar describes the member that follows with an ACL or its extended
            // attributes; the member itself is what gets written.
            if (*size > length_ - at_ - kBlock) {
                entry.name = name;
                return cut(entry, "the archive ends inside an extended header");
            }
            at_ += kBlock + roundUpToBlock(*size);
            continue;
        }
        return member(type, *size, entry, recordsOffset);
    }
}

} // namespace palvex::archive
