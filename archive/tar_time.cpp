#include "archive/tar_time.h"

#include <algorithm>
#include <cstdlib>

namespace palvex::archive {

namespace {

constexpr DateTime kEarliestFileDate{1980, 1, 1, 0, 1, 0};

// Leap years from 1970 up to and not including year. Dividing by four alone, as the day count
// once did, gives the same up to 2099 and then a day too many.
std::int64_t leapYearsBefore(int year) {
    auto upTo = [](std::int64_t y) {
        return y / 4 - y / 100 + y / 400;
    };
    return upTo(year - 1) - upTo(1969);
}

int daysBeforeMonth(int year, int month) {
    int days = 0;
    for (int m = 1; m < month; ++m)
        days += daysInMonth(year, m);
    return days;
}

} // namespace

std::uint32_t UnixTimeFromFileDate(const DateTime& local, const TimeZoneInformation& zone) {
    const DateTime utc = addMinutes(local, zoneOffsetMinutes(zone, local));
    const std::int64_t days = std::int64_t(utc.year - 1970) * 365 + leapYearsBefore(utc.year) +
                              daysBeforeMonth(utc.year, utc.month) + utc.day - 1;
    const std::int64_t seconds = days * 86400 + utc.hour * 3600 + utc.minute * 60 + utc.second;
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(seconds, 0, UINT32_MAX));
}

DateTime FileDateFromUnixTime(std::int64_t seconds, const TimeZoneInformation& zone) {
    if (seconds == 0)
        return kEarliestFileDate;
    // Past the year 9999 no file date exists; such a value is no date at all.
    constexpr std::int64_t kLatest = 253402300799;
    if (seconds < -kLatest || seconds > kLatest)
        return kEarliestFileDate;
    std::int64_t rest = seconds < 0 ? -seconds : seconds;
    DateTime utc;
    for (;; ++utc.year) {
        const int yearDays = isLeapYear(utc.year) ? 366 : 365;
        if (rest < std::int64_t(yearDays) * 86400)
            break;
        rest -= std::int64_t(yearDays) * 86400;
    }
    for (;; ++utc.month) {
        const int monthDays = daysInMonth(utc.year, utc.month);
        if (rest < std::int64_t(monthDays) * 86400)
            break;
        rest -= std::int64_t(monthDays) * 86400;
    }
    utc.day = static_cast<int>(rest / 86400) + 1;
    rest %= 86400;
    utc.hour = static_cast<int>(rest / 3600);
    utc.minute = static_cast<int>(rest / 60 % 60);
    utc.second = std::min(59, static_cast<int>(rest % 60));
    return addMinutes(utc, -zoneOffsetMinutes(zone, utc));
}

std::int64_t NearestHeaderTime(std::int64_t utcSeconds, const TimeZoneInformation& zone) {
    const std::int64_t earliest = UtcFromLocal({1980, 1, 1, 0, 0, 0}, zone);
    const std::int64_t latest = std::int64_t(UINT32_MAX) - 1;
    return std::clamp(utcSeconds, earliest, latest);
}

DateTime LocalFromUtc(std::int64_t utcSeconds, const TimeZoneInformation& zone) {
    return fromEpochSeconds(utcSeconds -
                            60 * zoneOffsetMinutes(zone, fromEpochSeconds(utcSeconds)));
}

std::int64_t UtcFromLocal(const DateTime& local, const TimeZoneInformation& zone) {
    return toEpochSeconds(local) + 60 * zoneOffsetMinutes(zone, local);
}

std::uint32_t PackFileDate(const DateTime& v) {
    if (v.year < 1980 || v.year > 2107)
        return PackFileDate(kEarliestFileDate);
    const std::uint32_t date = (std::uint32_t(v.year - 1980) << 9) | (v.month << 5) | v.day;
    const std::uint32_t time = (v.hour << 11) | (v.minute << 5) | (v.second / 2);
    return (date << 16) | time;
}

DateTime UnpackFileDate(std::uint32_t packed) {
    const std::uint32_t date = packed >> 16;
    const std::uint32_t time = packed & 0xFFFF;
    DateTime v{int(date >> 9) + 1980, int((date >> 5) & 15), int(date & 31),
               int(time >> 11),       int((time >> 5) & 63), int(time & 31) * 2};
    const bool valid = packed != 0 && v.month >= 1 && v.month <= 12 && v.day >= 1 &&
                       v.day <= daysInMonth(v.year, v.month) && v.hour < 24 && v.minute < 60 &&
                       v.second < 60;
    return valid ? v : kEarliestFileDate;
}

} // namespace palvex::archive
