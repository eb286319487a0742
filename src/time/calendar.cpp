// calendar.cpp - days of the proleptic Gregorian calendar: dates, months and
// ISO 8601 weeks.
#include "time/calendar.h"

std::int64_t days_from_civil(const CivilDate& date)
{
    // Years counted from March, so that the leap day ends a year.
    const std::int64_t y = date.year - (date.month <= 2 ? 1 : 0);
    const std::int64_t era = floor_div(y, 400);
    const std::int64_t year_of_era = y - era * 400;
    const std::int64_t month = date.month > 2 ? date.month - 3 : date.month + 9;
    const std::int64_t day_of_year = (153 * month + 2) / 5 + date.day - 1;
    const std::int64_t day_of_era =
        year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}

CivilDate civil_from_days(std::int64_t day)
{
    const std::int64_t z = day + 719468;
    const std::int64_t era = floor_div(z, 146097);
    const std::int64_t day_of_era = z - era * 146097;
    const std::int64_t year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const std::int64_t day_of_year =
        day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const std::int64_t month = (5 * day_of_year + 2) / 153;
    CivilDate date;
    date.day = static_cast<int>(day_of_year - (153 * month + 2) / 5 + 1);
    date.month = static_cast<int>(month < 10 ? month + 3 : month - 9);
    date.year = year_of_era + era * 400 + (date.month <= 2 ? 1 : 0);
    return date;
}

bool is_leap_year(std::int64_t year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int days_in_month(std::int64_t year, int month)
{
    constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap_year(year) ? 29 : days[month - 1];
}

int weekday_of(std::int64_t day)
{
    // 1970-01-01 was a Thursday.
    return static_cast<int>(day + 3 - floor_div(day + 3, 7) * 7);
}

IsoWeek iso_week_of(std::int64_t day)
{
    // A week belongs to the year of its Thursday.
    const std::int64_t thursday = day - weekday_of(day) + 3;
    const std::int64_t year = civil_from_days(thursday).year;
    const std::int64_t january_1 = days_from_civil({year, 1, 1});
    return {year, static_cast<int>((thursday - january_1) / 7 + 1)};
}

std::int64_t first_day_of(const IsoWeek& week)
{
    // January 4th always lies in week 1.
    const std::int64_t january_4 = days_from_civil({week.year, 1, 4});
    return january_4 - weekday_of(january_4) + (week.week - 1) * 7;
}
