#include "platform/time_zone.h"

#include <gtest/gtest.h>

namespace palvex {
namespace {

TimeZoneInformation zone(const char* rule) {
    const auto parsed = timeZoneFromPosixRule(rule);
    EXPECT_TRUE(parsed.has_value()) << rule;
    return parsed.value_or(TimeZoneInformation{});
}

TEST(TimeZoneRule, FillsBiasesAndTransitions) {
    const TimeZoneInformation cet = zone("CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_EQ(cet.Bias, -60);
    EXPECT_EQ(cet.StandardBias, 0);
    EXPECT_EQ(cet.DaylightBias, -60);
    EXPECT_EQ(cet.DaylightDate.month, 3);
    EXPECT_EQ(cet.DaylightDate.day, 5);
    EXPECT_EQ(cet.DaylightDate.hour, 2);
    EXPECT_EQ(cet.StandardDate.month, 10);
    EXPECT_EQ(cet.StandardDate.hour, 3);

    const TimeZoneInformation india = zone("<+0530>-5:30");
    EXPECT_EQ(india.Bias, -330);
    EXPECT_EQ(india.DaylightDate.month, 0);

    const TimeZoneInformation us = zone("EST5EDT"); // no rule: the default one
    EXPECT_EQ(us.Bias, 300);
    EXPECT_EQ(us.DaylightDate.month, 3);
    EXPECT_EQ(us.StandardDate.month, 11);

    for (const char* bad : {"", "X", "CET", "CET-1CEST,M13.1.0,M10.5.0", "CET-1CEST,M3.5.0"})
        EXPECT_FALSE(timeZoneFromPosixRule(bad).has_value()) << bad;
}

TEST(DaylightDecision, AroundBothTransitionsNorthAndSouth) {
    struct Case {
        const char* rule;
        DateTime at;
        bool daylight;
    } const cases[] = {
        // Central Europe 2024: daylight from 31 March 02:00 to 27 October 03:00.
        {"CET-1CEST,M3.5.0,M10.5.0/3", {2024, 3, 31, 1, 59, 59}, false},
        {"CET-1CEST,M3.5.0,M10.5.0/3", {2024, 3, 31, 2, 0, 0}, true},
        {"CET-1CEST,M3.5.0,M10.5.0/3", {2024, 10, 27, 2, 59, 59}, true},
        {"CET-1CEST,M3.5.0,M10.5.0/3", {2024, 10, 27, 3, 0, 0}, false},
        {"CET-1CEST,M3.5.0,M10.5.0/3", {2024, 1, 15, 12, 0, 0}, false},
        // Eastern Australia 2024: standard from 7 April 03:00, daylight from 6 October 02:00.
        {"AEST-10AEDT,M10.1.0,M4.1.0/3", {2024, 4, 7, 2, 59, 59}, true},
        {"AEST-10AEDT,M10.1.0,M4.1.0/3", {2024, 4, 7, 3, 0, 0}, false},
        {"AEST-10AEDT,M10.1.0,M4.1.0/3", {2024, 10, 6, 1, 59, 59}, false},
        {"AEST-10AEDT,M10.1.0,M4.1.0/3", {2024, 10, 6, 2, 0, 0}, true},
        {"AEST-10AEDT,M10.1.0,M4.1.0/3", {2024, 1, 15, 12, 0, 0}, true},
        // No daylight time at all.
        {"JST-9", {2024, 7, 1, 12, 0, 0}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(daylightInForce(zone(c.rule), c.at), c.daylight)
            << c.rule << " " << c.at.month << "/" << c.at.day << " " << c.at.hour;
}

TEST(DaylightDecision, AbsoluteDatesApplyToTheirYearOnly) {
    TimeZoneInformation z;
    z.Bias = -60;
    z.DaylightBias = -60;
    z.DaylightDate = {2030, 4, 0, 10, 2, 0, 0};
    z.StandardDate = {2030, 9, 0, 20, 3, 0, 0};
    EXPECT_FALSE(daylightInForce(z, {2030, 4, 10, 1, 59, 0}));
    EXPECT_TRUE(daylightInForce(z, {2030, 4, 10, 2, 0, 0}));
    EXPECT_TRUE(daylightInForce(z, {2030, 9, 20, 2, 59, 0}));
    EXPECT_FALSE(daylightInForce(z, {2030, 9, 20, 3, 0, 0}));
    EXPECT_FALSE(daylightInForce(z, {2031, 6, 1, 0, 0, 0}));
    EXPECT_EQ(zoneOffsetMinutes(z, {2030, 6, 1, 0, 0, 0}), -120);
    EXPECT_EQ(zoneOffsetMinutes(z, {2030, 1, 1, 0, 0, 0}), -60);
}

TEST(SystemTimeZone, ReadsTheRuleFromTZ) {
    ::setenv("TZ", "AEST-10AEDT,M10.1.0,M4.1.0/3", 1);
    EXPECT_EQ(systemTimeZone().Bias, -600);
    ::setenv("TZ", "UTC0", 1);
    EXPECT_EQ(systemTimeZone().Bias, 0);
    ::setenv("TZ", "not a zone at all", 1);
    EXPECT_EQ(systemTimeZone().DaylightDate.month, 0); // UTC when nothing can be read
    ::unsetenv("TZ");
}

TEST(DateTime, CivilDaysAndWeekdays) {
    EXPECT_EQ(daysFromCivil(1970, 1, 1), 0);
    EXPECT_EQ(dayOfWeek(1970, 1, 1), 4); // a Thursday
    EXPECT_EQ(dayOfWeek(2024, 3, 31), 0);
    EXPECT_EQ(fromEpochSeconds(1000000000), (DateTime{2001, 9, 9, 1, 46, 40}));
    EXPECT_EQ(addMinutes({2024, 12, 31, 23, 30, 0}, 60), (DateTime{2025, 1, 1, 0, 30, 0}));
}

} // namespace
} // namespace palvex
