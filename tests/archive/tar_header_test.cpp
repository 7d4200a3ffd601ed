#include "archive/tar_header.h"

#include <cstring>
#include <gtest/gtest.h>

namespace palvex::archive {
namespace {

std::uint32_t parse(const std::string& field) {
    return ParseOctal(reinterpret_cast<const std::uint8_t*>(field.data()), field.size());
}

void set(TarHeader& header, TarField field, const std::string& bytes) {
    std::memcpy(header.data() + field.offset, bytes.data(), bytes.size());
}

TEST(Octal, WrittenRightAlignedWithATerminatingNul) {
    EXPECT_EQ(FormatOctal(1234, 12), std::string("00000002322") + '\0');
    EXPECT_EQ(FormatOctal(2, 8), std::string("0000002") + '\0');
    EXPECT_EQ(FormatOctal(0, 8), std::string("0000000") + '\0');
    EXPECT_EQ(FormatOctal(0xFFFFFFFF, 12), std::string("37777777777") + '\0');
    EXPECT_EQ(FormatOctal(128776, 8), std::string("0373410") + '\0');
}

TEST(Octal, ReadLenientlySkippingWhatIsNoOctalDigit) {
    struct Case {
        std::string field;
        std::uint32_t value;
    } const cases[] = {
        {"     12 ", 012},
        {"1 2", 012},
        {std::string("0000644\0", 8), 0644},
        {std::string("12\0"
                     "77",
                     5),
         012}, // stops at the first NUL
        {"", 0},
        {"        ", 0},
        {"8", 0},
        {"19", 1},
        {"\xB7\xB1"
         "7",
         7}, // high bytes are no digits
        {"00000002322", 1234},
        {"777777777777", 0xFFFFFFFF}, // wraps in 32 bits like the writer's field
    };
    for (const Case& c : cases)
        EXPECT_EQ(parse(c.field), c.value) << c.field;
}

TEST(Checksum, SumsUnsignedBytesWithTheFieldAsSpaces) {
    TarHeader zero{};
    EXPECT_EQ(HeaderChecksum(zero), 256u);
    EXPECT_FALSE(HeaderChecksumValid(zero)); // reads as 0, sums to 256

    TarHeader high{};
    high.fill(0xFF);
    EXPECT_EQ(HeaderChecksum(high), 128776u);

    TarHeader header{};
    set(header, tar_field::name, "a");
    const std::uint32_t sum = HeaderChecksum(header);
    set(header, tar_field::chksum, FormatOctal(sum, 8));
    EXPECT_TRUE(HeaderChecksumValid(header));
    // The older spelling: six digits, a NUL and a space.
    char older[9];
    std::snprintf(older, sizeof older, "%06o", sum);
    set(header, tar_field::chksum, std::string(older) + '\0' + ' ');
    EXPECT_TRUE(HeaderChecksumValid(header));
    header[0] = 'b';
    EXPECT_FALSE(HeaderChecksumValid(header));
}

TEST(WriteHeader, FillsEveryFieldOfAFile) {
    TarHeader header;
    header.fill(0xAA);
    std::string uname = "root", gname = "root";
    WriteHeader(header, {"image\\desktop.jpg", false, 1234, 1000000000, 2, 2}, uname, gname);
    EXPECT_EQ(ReadName(header), "image/desktop.jpg");
    EXPECT_EQ(std::memcmp(header.data() + 100, "0100444\0", 8), 0);
    EXPECT_EQ(std::memcmp(header.data() + 108, "0000002\0", 8), 0);
    EXPECT_EQ(std::memcmp(header.data() + 116, "0000002\0", 8), 0);
    EXPECT_EQ(std::memcmp(header.data() + 124, "00000002322\0", 12), 0);
    EXPECT_EQ(std::memcmp(header.data() + 136, "07346545000\0", 12), 0);
    EXPECT_EQ(TypeFlag(header), '0');
    EXPECT_EQ(std::memcmp(header.data() + 257, "ustar  \0", 8), 0);
    EXPECT_EQ(std::memcmp(header.data() + 265, "root\0", 5), 0);
    EXPECT_EQ(std::memcmp(header.data() + 297, "root\0", 5), 0);
    EXPECT_TRUE(HeaderChecksumValid(header));
    EXPECT_EQ(header[148 + 7], 0); // seven digits and a NUL
    for (TarField zeroed : {tar_field::linkname, tar_field::devmajor, tar_field::devminor,
                            tar_field::prefix, tar_field::padding})
        for (std::size_t i = 0; i < zeroed.width; ++i)
            ASSERT_EQ(header[zeroed.offset + i], 0) << zeroed.offset;
}

TEST(WriteHeader, FoldersEndWithExactlyOneSlashAndCarryNoSize) {
    for (const char* stored : {"image", "image\\", "image/"}) {
        TarHeader header;
        std::string uname = "root", gname = "root";
        WriteHeader(header, {stored, true, 999, 0, 2, 2}, uname, gname);
        EXPECT_EQ(ReadName(header), "image/") << stored;
        EXPECT_EQ(TypeFlag(header), '5');
        EXPECT_EQ(std::memcmp(header.data() + 100, "0040555\0", 8), 0);
        EXPECT_EQ(ParseOctal(header, tar_field::size), 0u);
    }
}

TEST(WriteHeader, OwnerNamesAreCutTo32CharactersInTheOptionsToo) {
    TarHeader header;
    std::string uname(40, 'u'), gname(32, 'g');
    WriteHeader(header, {"a", false, 0, 0, 2, 2}, uname, gname);
    EXPECT_EQ(uname, std::string(32, 'u'));
    EXPECT_EQ(gname, std::string(32, 'g'));
    EXPECT_EQ(header[265 + 31], 'u');
    EXPECT_EQ(header[297 + 31], 'g');
    EXPECT_EQ(header[329], 0); // no terminator spills into devmajor
}

TEST(ReadName, AFullFieldIsExactlyItsHundredBytes) {
    TarHeader header{};
    const std::string hundred(100, 'n');
    set(header, tar_field::name, hundred);
    set(header, tar_field::mode, "0100444");
    EXPECT_EQ(ReadName(header), hundred);
    set(header, tar_field::name, std::string("short\0tail", 10));
    EXPECT_EQ(ReadName(header), "short");
}

MemoryStream archiveOf(std::size_t size, char firstType, bool secondValid) {
    std::vector<std::uint8_t> bytes(size, 0);
    TarHeader header;
    std::string owner = "root";
    WriteHeader(header, {"a.txt", false, 0, 0, 2, 2}, owner, owner);
    std::memcpy(bytes.data(), header.data(), std::min(size, kTarBlockSize));
    if (firstType) {
        bytes[156] = static_cast<std::uint8_t>(firstType);
        bytes[148] = '9'; // a label whose checksum fails: the header after it decides
        if (secondValid && size >= 1024)
            std::memcpy(bytes.data() + 512, header.data(), kTarBlockSize);
    }
    return MemoryStream(bytes);
}

TEST(Recognition, NeedsMoreThanOneBlockAndAValidChecksum) {
    struct Case {
        std::size_t size;
        char firstType;
        bool secondValid;
        bool tar;
    } const cases[] = {
        {512, 0, false, false},    {513, 0, false, true},   {10240, 0, false, true},
        {100, 0, false, false},    {1025, 'V', true, true}, {1024, 'V', true, false},
        {2048, 'V', false, false},
    };
    for (const Case& c : cases) {
        MemoryStream stream = archiveOf(c.size, c.firstType, c.secondValid);
        EXPECT_EQ(IsTarArchive(stream), c.tar) << c.size << " " << c.firstType;
    }
    // A sound label and nothing after it: what GNU tar writes for "-V LABEL" without files.
    TarHeader label;
    std::string owner = "root";
    WriteHeader(label, {"LABEL", false, 0, 0, 2, 2}, owner, owner);
    label[tar_field::typeflag.offset] = kTypeVolumeLabel;
    const std::string sum = FormatOctal(HeaderChecksum(label), tar_field::chksum.width);
    std::memcpy(label.data() + tar_field::chksum.offset, sum.data(), sum.size());
    std::vector<std::uint8_t> alone(kTarRecordSize, 0);
    std::memcpy(alone.data(), label.data(), kTarBlockSize);
    MemoryStream stream(alone);
    EXPECT_TRUE(IsTarArchive(stream));
}

} // namespace
} // namespace palvex::archive
