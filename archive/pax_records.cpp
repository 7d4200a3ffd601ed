// The records in front of a member: GNU's long names and POSIX extended headers, read and
// parsed into the values that stand in for the fields of the header that follows (or of every
// later one), GNU's sparse-file records among them.
#include "archive/tar_entry_reader.h"

#include "platform/exception.h"

#include <charconv>
#include <cstring>

namespace palvex::archive {

namespace {

constexpr std::int64_t kBlock = static_cast<std::int64_t>(kTarBlockSize);

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

bool parseCount(std::string_view text, std::int64_t& value) {
    return parseDecimal(text, value) && value >= 0;
}

// "offset,size,offset,size,...": the whole map of version 0.1 in one record.
bool parseMapList(std::string_view text, std::vector<SparseFragment>& map) {
    std::vector<std::int64_t> numbers;
    while (!text.empty()) {
        const std::size_t comma = std::min(text.find(','), text.size());
        std::int64_t number = 0;
        if (!parseCount(text.substr(0, comma), number) ||
            numbers.size() >= 2 * static_cast<std::size_t>(TarEntryReader::kMaxSparseFragments))
            return false;
        numbers.push_back(number);
        text.remove_prefix(std::min(comma + 1, text.size()));
    }
    if (numbers.size() % 2 != 0)
        return false;
    for (std::size_t i = 0; i < numbers.size(); i += 2)
        map.push_back({numbers[i], numbers[i + 1]});
    return true;
}

void takeSparseRecord(std::string_view key, std::string_view value, PaxSparse& sparse) {
    sparse.present = true;
    std::int64_t number = 0;
    const bool counted = parseCount(value, number);
    if (key == "GNU.sparse.major")
        sparse.major = number;
    else if (key == "GNU.sparse.minor")
        sparse.minor = number;
    else if (key == "GNU.sparse.size" || key == "GNU.sparse.realsize")
        sparse.realSize = number;
    else if (key == "GNU.sparse.offset" && !sparse.pendingOffset)
        sparse.pendingOffset = number;
    else if (key == "GNU.sparse.numbytes" && sparse.pendingOffset) {
        sparse.map.push_back({*sparse.pendingOffset, number});
        sparse.pendingOffset.reset();
    } else if (key == "GNU.sparse.name") {
        sparse.name = std::string(value);
        return;
    } else if (key == "GNU.sparse.map") {
        sparse.malformed = sparse.malformed || !parseMapList(value, sparse.map);
        return;
    } else if (key == "GNU.sparse.offset" || key == "GNU.sparse.numbytes") {
        sparse.malformed = true; // an offset without its length, or the reverse
        return;
    } else if (key != "GNU.sparse.numblocks") {
        return; // a key of a later version: what is known of the map decides
    }
    sparse.malformed =
        sparse.malformed || !counted ||
        static_cast<std::int64_t>(sparse.map.size()) > TarEntryReader::kMaxSparseFragments;
}

} // namespace

bool ParsePaxRecords(const std::string& data, PaxOverrides& overrides) {
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
        if (key.substr(0, 11) == "GNU.sparse.") {
            takeSparseRecord(key, value, overrides.sparse);
            continue;
        }
        // An empty value undoes a setting, leaving the header's own field in force. A value
        // that cannot be read leaves it in force too: the member is sound without it.
        std::int64_t number = 0;
        bool readable = true;
        if (key == "path") {
            overrides.path = value.empty() ? std::nullopt : std::optional<std::string>(value);
        } else if (key == "linkpath") {
            overrides.linkPath = value.empty() ? std::nullopt : std::optional<std::string>(value);
        } else if (key == "size" || key == "mtime") {
            std::optional<std::int64_t>& field = key == "size" ? overrides.size : overrides.mtime;
            readable = value.empty() ||
                       (key == "size" ? parseCount(value, number) : parseTime(value, number));
            if (value.empty())
                field.reset();
            else if (readable)
                field = number;
        }
        if (!readable && overrides.ignored.empty()) {
            // Named in a log line: no byte of it may start a line of its own.
            overrides.ignored = std::string(key) + "=" + std::string(value.substr(0, 64));
            for (char& c : overrides.ignored)
                c = static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
        }
    }
    return true;
}

std::string CheckSparseMap(const std::vector<SparseFragment>& map, std::int64_t realSize,
                           std::int64_t dataSize) {
    if (static_cast<std::int64_t>(map.size()) > TarEntryReader::kMaxSparseFragments)
        return "its sparse map has more than " +
               std::to_string(TarEntryReader::kMaxSparseFragments) + " fragments";
    std::int64_t end = 0;
    std::int64_t data = 0;
    for (const SparseFragment& fragment : map) {
        // Disjoint fragments within realSize also keep every sum below realSize.
        if (fragment.offset < end || fragment.size < 0 || fragment.offset > realSize ||
            fragment.size > realSize - fragment.offset)
            return "its sparse map has fragments out of order, overlapping or past the end of "
                   "the file";
        end = fragment.offset + fragment.size;
        data += fragment.size;
    }
    if (data > dataSize)
        return "its sparse map describes more data than the entry holds";
    return {};
}

TarEntryReader::TarEntryReader(ByteStream& archive, std::int64_t from)
    : archive_(archive), length_(archive.size()), at_(from) {}

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
    at_ += kBlock + (size + kBlock - 1) / kBlock * kBlock;
    if (tooLarge) {
        pendingProblem_ = "its extended header is larger than 1 MiB";
        return true;
    }
    bool wellFormed = true;
    if (type == kTypeLongName) {
        longName_ = data.substr(0, strnlen(data.data(), data.size()));
    } else if (type == kTypeLongLink) {
        longLink_ = data.substr(0, strnlen(data.data(), data.size()));
    } else if (type == kTypePaxEntry || type == kTypeSolarisPax) {
        wellFormed = ParsePaxRecords(data, next_);
    } else {
        wellFormed = ParsePaxRecords(data, global_);
        global_.sparse = {}; // a map describes one member, never all of them
        if (next_.ignored.empty())
            next_.ignored = std::move(global_.ignored);
        global_.ignored.clear();
    }
    if (!wellFormed)
        pendingProblem_ = "its extended header is malformed";
    return true;
}

} // namespace palvex::archive
