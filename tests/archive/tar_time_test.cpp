#include "archive/tar_time.h"

#include <gtest/gtest.h>

namespace palvex::archive {
namespace {

TimeZoneInformation zone(const char* rule) {
    return timeZoneFromPosixRule(rule).value();
}

TEST(TarTime, ZeroIsTheEarliestFileDateWithoutAZoneShift) {
    EXPECT_EQ(FileDateFromUnixTime(0, zone("CET-1CEST,M3.5.0,M10.5.0/3")),
              (DateTime{1980, 1, 1, 0, 1, 0}));
}

TEST(TarTime, ABillionSecondsBothWays) {
    const TimeZoneInformation utc = zone("UTC0");
    EXPECT_EQ(FileDateFromUnixTime(1000000000, utc), (DateTime{2001, 9, 9, 1, 46, 40}));
    EXPECT_EQ(UnixTimeFromFileDate({2001, 9, 9, 1, 46, 40}, utc), 1000000000u);
}

TEST(TarTime, TheRangeEnds) {
    const TimeZoneInformation utc = zone("UTC0");
    EXPECT_EQ(UnixTimeFromFileDate({1970, 1, 1, 0, 0, 1}, utc), 1u);
    EXPECT_EQ(FileDateFromUnixTime(1, utc), (DateTime{1970, 1, 1, 0, 0, 1}));
    EXPECT_EQ(UnixTimeFromFileDate({2099, 12, 31, 23, 59, 59}, utc), 4102444799u);
    EXPECT_EQ(UnixTimeFromFileDate({2024, 2, 29, 12, 0, 0}, utc), 1709208000u);
    // Before 1970 there is nothing to store: clamped instead of wrapping round.
    EXPECT_EQ(UnixTimeFromFileDate({1960, 5, 1, 0, 0, 0}, utc), 0u);
    // A negative value reads as its absolute value; past 2038 a date is still a date.
    EXPECT_EQ(FileDateFromUnixTime(-1000000000, utc), (DateTime{2001, 9, 9, 1, 46, 40}));
    EXPECT_EQ(FileDateFromUnixTime(2222121600u, utc), (DateTime{2040, 6, 1, 0, 0, 0}));
    // 2100 is no leap year: a date after its February is stored as itself, not a day on.
    EXPECT_EQ(UnixTimeFromFileDate({2101, 1, 1, 0, 0, 0}, utc), 4133980800u);
    EXPECT_EQ(FileDateFromUnixTime(4107542400u, utc), (DateTime{2100, 3, 1, 0, 0, 0}));
    EXPECT_EQ(FileDateFromUnixTime(4133980800u, utc), (DateTime{2101, 1, 1, 0, 0, 0}));
}

// Outside what a header written by way of the file date holds, the nearest end of it.
TEST(TarTime, NearestHeaderTime) {
    const TimeZoneInformation cet = zone("CET-1CEST,M3.5.0,M10.5.0/3");
    const std::int64_t earliest = 315532800 - 3600; // 1980-01-01 00:00:00 in Paris
    const std::int64_t latest = 4294967294;         // 2106-02-07 06:28:14 UTC
    for (const auto& [given, nearest] : std::vector<std::pair<std::int64_t, std::int64_t>>{
             {-5, earliest},
             {earliest - 1, earliest},
             {earliest, earliest},
             {1000000000, 1000000000},
             {latest, latest},
             {latest + 1, latest},
             {4354732800, latest}, // 2107-12-31
         })
        EXPECT_EQ(NearestHeaderTime(given, cet), nearest) << given;
    EXPECT_EQ(UnixTimeFromFileDate(LocalFromUtc(latest, cet), cet), latest);
}

TEST(TarTime, ZoneShiftFollowsDaylightTime) {
    const TimeZoneInformation cet = zone("CET-1CEST,M3.5.0,M10.5.0/3");
    struct Case {
        DateTime local;
        std::uint32_t utc;
    } const cases[] = {
        {{2024, 1, 15, 12, 0, 0}, 1705316400u}, // winter: 11:00 UTC
        {{2024, 7, 15, 12, 0, 0}, 1721037600u}, // summer: 10:00 UTC
        {{2024, 3, 31, 1, 59, 0}, 1711846740u}, // just before the switch
        {{2024, 3, 31, 3, 0, 0}, 1711846800u},  // just after it
    };
    for (const Case& c : cases)
        EXPECT_EQ(UnixTimeFromFileDate(c.local, cet), c.utc) << c.local.month;
    for (const Case& c : {cases[0], cases[1], cases[2]})
        EXPECT_EQ(FileDateFromUnixTime(c.utc, cet), c.local) << c.local.month;
    // Reading decides on the UTC time as it stands: 01:00 UTC is before the 02:00 switch,
    // so the first hour of summer time reads back an hour early.
    EXPECT_EQ(FileDateFromUnixTime(1711846800u, cet), (DateTime{2024, 3, 31, 2, 0, 0}));
    const TimeZoneInformation sydney = zone("AEST-10AEDT,M10.1.0,M4.1.0/3");
    EXPECT_EQ(UnixTimeFromFileDate({2024, 1, 15, 12, 0, 0}, sydney), 1705280400u); // +11
    EXPECT_EQ(UnixTimeFromFileDate({2024, 7, 15, 12, 0, 0}, sydney), 1721008800u); // +10
}

TEST(PackedDate, TwoSecondFormBothWays) {
    EXPECT_EQ(UnpackFileDate(PackFileDate({2024, 5, 17, 13, 45, 31})),
              (DateTime{2024, 5, 17, 13, 45, 30}));
    EXPECT_EQ(UnpackFileDate(0), (DateTime{1980, 1, 1, 0, 1, 0}));
    EXPECT_EQ(UnpackFileDate(0xFFFFFFFF), (DateTime{1980, 1, 1, 0, 1, 0}));
    EXPECT_EQ(UnpackFileDate(PackFileDate({1975, 1, 1, 0, 0, 0})), (DateTime{1980, 1, 1, 0, 1, 0}));
}

} // namespace
} // namespace palvex::archive
