#include "platform/date_time.h"

namespace palvex {

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[(month - 1) % 12];
}

// Howard Hinnant's days_from_civil.
std::int64_t daysFromCivil(int year, int month, int day) {
    const std::int64_t y = static_cast<std::int64_t>(year) - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

int dayOfWeek(int year, int month, int day) {
    const std::int64_t days = daysFromCivil(year, month, day);
    return static_cast<int>(days >= -4 ? (days + 4) % 7 : (days + 5) % 7 + 6);
}

std::int64_t toEpochSeconds(const DateTime& v) {
    return daysFromCivil(v.year, v.month, v.day) * 86400 + v.hour * 3600 + v.minute * 60 + v.second;
}

DateTime fromEpochSeconds(std::int64_t seconds) {
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    // Howard Hinnant's civil_from_days.
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    DateTime v;
    v.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    v.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    v.year = static_cast<int>(yoe + era * 400 + (v.month <= 2 ? 1 : 0));
    v.hour = static_cast<int>(rest / 3600);
    v.minute = static_cast<int>(rest / 60 % 60);
    v.second = static_cast<int>(rest % 60);
    return v;
}

DateTime addMinutes(const DateTime& value, std::int64_t minutes) {
    return fromEpochSeconds(toEpochSeconds(value) + minutes * 60);
}

} // namespace palvex
