// local_time.h - start times as the local clock shows them, spared most
// conversions.
#pragma once

#include <cstdint>

inline constexpr std::int64_t seconds_per_day = 86400;

// A moment as the host's local clock shows it.
struct LocalTime {
    std::int64_t day = 0; // the local date, in days since 1970-01-01
    int hour = 0;
    int minute = 0;
    int second = 0;              // 60 during a leap second
    std::int64_t utc_offset = 0; // seconds east of UTC

    bool operator==(const LocalTime&) const = default;
};

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

// The local time at t, converted by localtime_r; false when the host
// cannot convert t.
bool convert_local_time(std::int64_t t, LocalTime& local);

// The last quarter hour looked up, and whether the local clock ran evenly
// through it.
struct LocalTimeCache {
    std::int64_t quarter = INT64_MIN; // its first second; none yet
    bool even = false;
    std::int64_t shift = 0; // local seconds minus seconds, while even
    std::int64_t utc_offset = 0;
};

// The same as convert_local_time, from one pair of conversions per quarter
// hour: a history lists its sessions in time order, many to the quarter.
bool local_time(LocalTimeCache& cache, std::int64_t t, LocalTime& local);
