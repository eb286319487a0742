// calendar.h - days of the proleptic Gregorian calendar: dates, months and
// ISO 8601 weeks.
#pragma once

#include <cstdint>

inline constexpr std::int64_t seconds_per_day = 86400;
// Zones change their offsets on quarter hours, if not on whole ones.
inline constexpr std::int64_t seconds_per_quarter_hour = 900;

// a / b rounded toward minus infinity, b positive.
constexpr std::int64_t floor_div(std::int64_t a, std::int64_t b)
{
    return a / b - (a % b < 0 ? 1 : 0);
}

// A date of the proleptic Gregorian calendar.
struct CivilDate {
    std::int64_t year = 1970;
    int month = 1; // 1 to 12
    int day = 1;   // 1 to 31

    bool operator==(const CivilDate&) const = default;
};

// Days since 1970-01-01 of a date, and the date of such a day.
std::int64_t days_from_civil(const CivilDate& date);
CivilDate civil_from_days(std::int64_t day);

bool is_leap_year(std::int64_t year);

// 28 to 31; month 1 to 12.
int days_in_month(std::int64_t year, int month);

// The day of the week of a day, 0 for Monday to 6 for Sunday.
int weekday_of(std::int64_t day);

// An ISO 8601 week: weeks run Monday to Sunday, and week 1 of a year is
// the one that holds its first Thursday.
struct IsoWeek {
    std::int64_t year = 1970;
    int week = 1; // 1 to 53

    bool operator==(const IsoWeek&) const = default;
};

// The ISO week that holds a day, and the Monday that begins a week.
IsoWeek iso_week_of(std::int64_t day);
std::int64_t first_day_of(const IsoWeek& week);
