#pragma once

#include <compare>
#include <cstdint>

namespace palvex {

// A calendar date and time of day, with no zone of its own (proleptic Gregorian).
struct DateTime {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    auto operator<=>(const DateTime&) const = default;
};

bool isLeapYear(int year);
int daysInMonth(int year, int month);
std::int64_t daysFromCivil(int year, int month, int day); // days since 1970-01-01
int dayOfWeek(int year, int month, int day);              // 0 = Sunday
std::int64_t toEpochSeconds(const DateTime& value);
DateTime fromEpochSeconds(std::int64_t seconds);
DateTime addMinutes(const DateTime& value, std::int64_t minutes);

} // namespace palvex
