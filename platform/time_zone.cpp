#include "platform/time_zone.h"

#include <cctype>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

namespace palvex {

namespace {

DateTime transitionIn(const ZoneTransition& t, int year) {
    DateTime date;
    if (t.year != 0) {
        date = {t.year, t.month, t.day, 0, 0, 0};
    } else {
        const int first = 1 + (t.dayOfWeek - dayOfWeek(year, t.month, 1) + 7) % 7;
        int day = first + 7 * (t.day - 1);
        while (day > daysInMonth(year, t.month))
            day -= 7;
        date = {year, t.month, day, 0, 0, 0};
    }
    return fromEpochSeconds(toEpochSeconds(date) + t.hour * 3600 + t.minute * 60 + t.second);
}

// A small cursor over a POSIX TZ string.
class RuleReader {
public:
    explicit RuleReader(std::string_view text) : text_(text) {}

    bool atEnd() const { return at_ >= text_.size(); }
    bool take(char c) {
        if (!atEnd() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool name() {
        if (take('<')) {
            const auto close = text_.find('>', at_);
            if (close == std::string_view::npos || close - at_ < 3)
                return false;
            at_ = close + 1;
            return true;
        }
        const std::size_t start = at_;
        while (!atEnd() && std::isalpha(static_cast<unsigned char>(text_[at_])))
            ++at_;
        return at_ - start >= 3;
    }
    bool startsNumber() const {
        return !atEnd() && (std::isdigit(static_cast<unsigned char>(text_[at_])) ||
                            text_[at_] == '+' || text_[at_] == '-');
    }
    std::optional<int> number() {
        const std::size_t start = at_;
        int value = 0;
        while (!atEnd() && std::isdigit(static_cast<unsigned char>(text_[at_])))
            value = value * 10 + (text_[at_++] - '0');
        if (at_ == start)
            return std::nullopt;
        return value;
    }
    // [+-]hh[:mm[:ss]] in seconds.
    std::optional<int> time() {
        const int sign = take('-') ? -1 : (take('+'), 1);
        const auto hours = number();
        if (!hours)
            return std::nullopt;
        int seconds = *hours * 3600;
        if (take(':')) {
            const auto minutes = number();
            if (!minutes)
                return std::nullopt;
            seconds += *minutes * 60;
            if (take(':')) {
                const auto secs = number();
                if (!secs)
                    return std::nullopt;
                seconds += *secs;
            }
        }
        return sign * seconds;
    }

private:
    std::string_view text_;
    std::size_t at_ = 0;
};

std::optional<ZoneTransition> transitionRule(RuleReader& in) {
    ZoneTransition t;
    if (in.take('M')) {
        const auto month = in.number();
        if (!month || !in.take('.'))
            return std::nullopt;
        const auto week = in.number();
        if (!week || !in.take('.'))
            return std::nullopt;
        const auto weekday = in.number();
        if (!weekday || *month < 1 || *month > 12 || *week < 1 || *week > 5 || *weekday > 6)
            return std::nullopt;
        t.month = *month;
        t.day = *week;
        t.dayOfWeek = *weekday;
    } else {
        // "Jn" (1..365, never counting 29 February) or "n" (0..365): a fixed day, which the
        // structure can only hold as a date of one year, so this year's is taken.
        const bool julian = in.take('J');
        const auto n = in.number();
        if (!n || *n > 365 || (julian && *n < 1))
            return std::nullopt;
        const std::time_t now = std::time(nullptr);
        std::tm parts{};
        ::gmtime_r(&now, &parts);
        const int year = parts.tm_year + 1900;
        int dayOfYear = julian ? *n - 1 : *n;
        if (julian && isLeapYear(year) && dayOfYear >= 59)
            ++dayOfYear;
        const DateTime date = fromEpochSeconds((daysFromCivil(year, 1, 1) + dayOfYear) * 86400);
        t.year = date.year;
        t.month = date.month;
        t.day = date.day;
    }
    int seconds = 2 * 3600;
    if (in.take('/')) {
        const auto time = in.time();
        if (!time)
            return std::nullopt;
        seconds = *time;
    }
    t.hour = seconds / 3600;
    t.minute = seconds % 3600 / 60;
    t.second = seconds % 60;
    return t;
}

std::string footerOf(const std::string& zoneFile) {
    std::ifstream in(zoneFile, std::ios::binary);
    if (!in)
        return {};
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string content = buffer.str();
    if (content.size() < 2 || content.compare(0, 4, "TZif") != 0 || content.back() != '\n')
        return {};
    content.pop_back();
    const auto start = content.rfind('\n');
    return start == std::string::npos ? std::string{} : content.substr(start + 1);
}

} // namespace

bool daylightInForce(const TimeZoneInformation& zone, const DateTime& at) {
    if (zone.DaylightDate.month == 0)
        return false;
    const bool absolute = zone.StandardDate.year != 0;
    const DateTime daylightStart = transitionIn(zone.DaylightDate, absolute ? 0 : at.year);
    const DateTime standardStart = transitionIn(zone.StandardDate, absolute ? 0 : at.year);
    if (zone.DaylightDate.month >= zone.StandardDate.month)
        return at < standardStart || at >= daylightStart;
    return at >= daylightStart && at < standardStart;
}

int zoneOffsetMinutes(const TimeZoneInformation& zone, const DateTime& at) {
    return zone.Bias + (daylightInForce(zone, at) ? zone.DaylightBias : zone.StandardBias);
}

std::optional<TimeZoneInformation> timeZoneFromPosixRule(std::string_view rule) {
    RuleReader in(rule);
    if (!in.name())
        return std::nullopt;
    const auto standardOffset = in.time();
    if (!standardOffset)
        return std::nullopt;
    TimeZoneInformation zone;
    zone.Bias = *standardOffset / 60;
    if (in.atEnd())
        return zone;

    if (!in.name())
        return std::nullopt;
    int daylightOffset = *standardOffset - 3600;
    if (in.startsNumber()) {
        const auto offset = in.time();
        if (!offset)
            return std::nullopt;
        daylightOffset = *offset;
    }
    zone.DaylightBias = (daylightOffset - *standardOffset) / 60;

    std::optional<ZoneTransition> start, end;
    if (in.atEnd()) {
        // No rule given: the long-standing default, second Sunday of March to the first of
        // November.
        RuleReader defaults("M3.2.0,M11.1.0");
        start = transitionRule(defaults);
        defaults.take(',');
        end = transitionRule(defaults);
    } else if (in.take(',')) {
        start = transitionRule(in);
        if (start && in.take(','))
            end = transitionRule(in);
    }
    if (!start || !end || !in.atEnd())
        return std::nullopt;
    zone.DaylightDate = *start;
    zone.StandardDate = *end;
    if (start->year != 0 || end->year != 0) {
        // Either both are absolute dates or neither; a fixed day makes both fixed.
        const int year = start->year ? start->year : end->year;
        for (ZoneTransition* t : {&zone.DaylightDate, &zone.StandardDate}) {
            if (t->year == 0) {
                const DateTime date = transitionIn(*t, year);
                *t = {date.year, date.month, 0, date.day, date.hour, date.minute, date.second};
            }
        }
    }
    return zone;
}

TimeZoneInformation systemTimeZone() {
    std::string rule;
    if (const char* tz = std::getenv("TZ")) {
        std::string value = tz;
        if (!value.empty() && value.front() == ':')
            value.erase(0, 1);
        if (auto zone = timeZoneFromPosixRule(value))
            return *zone;
        if (!value.empty())
            rule = footerOf(value.front() == '/' ? value : "/usr/share/zoneinfo/" + value);
    } else {
        rule = footerOf("/etc/localtime");
    }
    return timeZoneFromPosixRule(rule).value_or(TimeZoneInformation{});
}

} // namespace palvex
