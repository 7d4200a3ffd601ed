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

bool parseDecimal(std::string_view text, std::int64_t& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size();
}

// Whole seconds of a time such as "1700000000.123456789" or "-12.5".
bool parseTime(std::string_view text, std::int64_t& value) {
    const std::size_t dot = text.find('.');
    if (dot != std::string_view::npos) {
        const std::string_view fraction = text.substr(dot + 1);
        if (fraction.find_first_not_of("0123456789") != std::string_view::npos)
            return false;
        text = text.substr(0, dot);
    }
    return parseDecimal(text, value);
}

} // namespace

bool ParsePaxRecords(const std::string& data, std::optional<std::string>& path,
                     std::optional<std::string>& linkPath, std::optional<std::int64_t>& size,
                     std::optional<std::int64_t>& mtime, bool* sparse) {
    const std::string_view all(data);
    for (std::size_t at = 0; at < all.size() && all[at] != '\0';) {
        const std::size_t space = all.find(' ', at);
        std::int64_t length = 0;
        if (space == std::string_view::npos || !parseDecimal(all.substr(at, space - at), length) ||
            length <= static_cast<std::int64_t>(space - at + 1) ||
            length > static_cast<std::int64_t>(all.size() - at) ||
            all[at + static_cast<std::size_t>(length) - 1] != '\n')
            return false;
        const std::string_view record =
            all.substr(space + 1, at + static_cast<std::size_t>(length) - space - 2);
        at += static_cast<std::size_t>(length);
        const std::size_t equals = record.find('=');
        if (equals == std::string_view::npos)
            return false;
        const std::string_view key = record.substr(0, equals);
        const std::string_view value = record.substr(equals + 1);
        if (sparse && key.substr(0, 11) == "GNU.sparse.")
            *sparse = true;
        // An empty value undoes a setting, leaving the header's own field in force.
        std::int64_t number = 0;
        if (key == "path")
            path = value.empty() ? std::nullopt : std::optional<std::string>(value);
        else if (key == "linkpath")
            linkPath = value.empty() ? std::nullopt : std::optional<std::string>(value);
        else if (key == "size" && value.empty())
            size.reset();
        else if (key == "size" && parseDecimal(value, number) && number >= 0)
            size = number;
        else if (key == "mtime" && value.empty())
            mtime.reset();
        else if (key == "mtime" && parseTime(value, number))
            mtime = number;
        else if (key == "size" || key == "mtime")
            return false;
    }
    return true;
}

TarEntryReader::TarEntryReader(ByteStream& archive) : archive_(archive), length_(archive.size()) {}

TarStep TarEntryReader::cut(TarEntry& entry, std::string problem) {
    entry.problem = std::move(problem);
    at_ = length_;
    return TarStep::Cut;
}

bool TarEntryReader::readHeader(TarStep& step, TarEntry& entry) {
    const bool pending = next_.path || next_.linkPath || next_.size || next_.mtime || longName_ ||
                         longLink_ || !pendingProblem_.empty();
    std::int64_t got = 0;
    if (at_ < length_) {
        try {
            archive_.seek(at_, ByteStream::Origin::Begin);
            got = archive_.read(header_.data(), kBlock);
        } catch (const Exception&) {
            got = 0;
        }
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

bool TarEntryReader::readRecordData(std::int64_t size, std::string& data) {
    data.resize(static_cast<std::size_t>(size));
    try {
        archive_.seek(at_ + kBlock, ByteStream::Origin::Begin);
        return archive_.read(data.data(), size) == size;
    } catch (const Exception&) {
        return false;
    }
}

bool TarEntryReader::takeRecord(char type, std::int64_t size, TarEntry& entry) {
    entry.name = ReadName(header_);
    if (size > length_ - at_ - kBlock) {
        cut(entry, "the archive ends inside an extended header");
        return false;
    }
    std::string data;
    const bool tooLarge = size > kMaxRecordSize;
    if (!tooLarge && !readRecordData(size, data)) {
        cut(entry, "an extended header cannot be read");
        return false;
    }
    at_ += kBlock + roundUpToBlock(size);
    if (tooLarge) {
        pendingProblem_ = "its extended header is larger than 1 MiB";
        return true;
    }
    bool wellFormed = true;
    bool sparse = false;
    if (type == kTypeLongName)
        longName_ = data.substr(0, strnlen(data.data(), data.size()));
    else if (type == kTypeLongLink)
        longLink_ = data.substr(0, strnlen(data.data(), data.size()));
    else if (type == kTypePaxEntry)
        wellFormed =
            ParsePaxRecords(data, next_.path, next_.linkPath, next_.size, next_.mtime, &sparse);
    else
        wellFormed =
            ParsePaxRecords(data, global_.path, global_.linkPath, global_.size, global_.mtime);
    if (!wellFormed)
        pendingProblem_ = "its extended header is malformed";
    else if (sparse)
        pendingProblem_ = "it is a sparse file, which is not unpacked";
    return true;
}

TarStep TarEntryReader::member(char type, std::int64_t size, TarEntry& entry) {
    entry.headerOffset = at_;
    entry.dataOffset = at_ + kBlock;
    entry.type = type;
    entry.name = next_.path     ? *next_.path
                 : longName_    ? *longName_
                 : global_.path ? *global_.path
                                : headerName(header_);
    entry.linkName = next_.linkPath     ? *next_.linkPath
                     : longLink_        ? *longLink_
                     : global_.linkPath ? *global_.linkPath
                                        : fieldText(header_, tar_field::linkname);
    entry.size = next_.size ? *next_.size : global_.size ? *global_.size : size;
    entry.mtime = next_.mtime     ? *next_.mtime
                  : global_.mtime ? *global_.mtime
                                  : ParseNumber(header_, tar_field::mtime).value_or(0);
    entry.problem = std::move(pendingProblem_);
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
    if (entry.size > length_ - entry.dataOffset) {
        entry.dataComplete = false;
        at_ = length_;
    } else {
        at_ = entry.dataOffset + roundUpToBlock(entry.size);
    }
    return TarStep::Entry;
}

TarStep TarEntryReader::next(TarEntry& entry) {
    for (;;) {
        entry = TarEntry{};
        TarStep step = TarStep::End;
        if (!readHeader(step, entry))
            return step;
        const std::string name = ReadName(header_);
        const std::optional<std::int64_t> size = ParseNumber(header_, tar_field::size);
        if (name.empty() || ParseOctal(header_, tar_field::chksum) == 0) {
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
        if (type == kTypePaxEntry || type == kTypePaxGlobal || type == kTypeLongName ||
            type == kTypeLongLink) {
            if (!takeRecord(type, *size, entry))
                return TarStep::Cut;
            continue;
        }
        return member(type, *size, entry);
    }
}

} // namespace palvex::archive
