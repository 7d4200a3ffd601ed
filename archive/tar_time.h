#pragma once

#include "platform/date_time.h"
#include "platform/time_zone.h"

#include <cstdint>

namespace palvex::archive {

// A local file date as a header's mtime: seconds since 1970 UTC. Dates outside what the
// field can hold are clamped to its range.
std::uint32_t UnixTimeFromFileDate(const DateTime& local, const TimeZoneInformation& zone);

// A header's mtime as a local file date; a negative one is taken as positive. 0 stands for
// 1980-01-01 00:01:00, the earliest date the file system's two-second form keeps.
DateTime FileDateFromUnixTime(std::int64_t seconds, const TimeZoneInformation& zone);

// The time nearest to utcSeconds that a header written by way of the file date can carry:
// from 1980-01-01 00:00:00 local time, the earliest file date, to 2106-02-07 06:28:14 UTC, the
// last even second the 32-bit field holds.
std::int64_t NearestHeaderTime(std::int64_t utcSeconds, const TimeZoneInformation& zone);

// A file's UTC time stamp as a local date in the zone, and back.
DateTime LocalFromUtc(std::int64_t utcSeconds, const TimeZoneInformation& zone);
std::int64_t UtcFromLocal(const DateTime& local, const TimeZoneInformation& zone);

// The file system's two-second form: date in the high 16 bits, time in the low 16 bits.
std::uint32_t PackFileDate(const DateTime& value);
// A packed date back; 0 or an invalid value give 1980-01-01 00:01:00.
DateTime UnpackFileDate(std::uint32_t packed);

} // namespace palvex::archive
