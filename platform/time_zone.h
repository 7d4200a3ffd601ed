#pragma once

#include "platform/date_time.h"

#include <optional>
#include <string_view>

namespace palvex {

// When a zone switches: the n-th (day, 1..5, 5 = last) given weekday (dayOfWeek, 0 = Sunday)
// of a month at a local time of day; or, when year is set, that absolute date. The time of
// day may fall outside 0..23 hours, as POSIX rules allow.
struct ZoneTransition {
    int year = 0;
    int month = 0; // 0: no transition
    int dayOfWeek = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// A zone as the archive's time conversions need it: UTC = local + Bias + StandardBias, or
// + DaylightBias while daylight time is in force (all in minutes).
struct TimeZoneInformation {
    int Bias = 0;
    int StandardBias = 0;
    ZoneTransition StandardDate;
    int DaylightBias = 0;
    ZoneTransition DaylightDate;
};

// Whether daylight time is in force at a date, compared as it stands (no conversion).
bool daylightInForce(const TimeZoneInformation& zone, const DateTime& at);
// Bias plus the daylight or the standard bias at that date.
int zoneOffsetMinutes(const TimeZoneInformation& zone, const DateTime& at);

// A zone from a POSIX TZ rule such as "CET-1CEST,M3.5.0,M10.5.0/3"; none when it does not parse.
std::optional<TimeZoneInformation> timeZoneFromPosixRule(std::string_view rule);

// The user's zone: $TZ (a rule or a zone file name), else the rule that ends /etc/localtime;
// UTC when none can be read.
TimeZoneInformation systemTimeZone();

} // namespace palvex
