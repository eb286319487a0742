// local_time.h - start times as the local clock shows them, spared most
// conversions.
#pragma once

#include "time/calendar.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// A moment as the host's local clock shows it.
struct LocalTime {
    std::int64_t day = 0; // the local date, in days since 1970-01-01
    int hour = 0;
    int minute = 0;
    int second = 0;              // 60 during a leap second
    std::int64_t utc_offset = 0; // seconds east of UTC

    bool operator==(const LocalTime&) const = default;
};

// The clock's reading as seconds from the epoch's local midnight, the one
// count both ways between instants and readings go through.
constexpr std::int64_t local_seconds(std::int64_t day, int hour, int minute, int second)
{
    return day * seconds_per_day + hour * 3600 + minute * 60 + second;
}

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

// The local time at t from the quarter hour that holds it, converting
// where the cache does not hold it yet.
bool local_time_slow(LocalTimeCache& cache, std::int64_t t, LocalTime& local);

// The local time at t in the cache's even quarter hour: the clock moved on
// from the quarter's first second.
inline void local_time_in_quarter(const LocalTimeCache& cache, std::int64_t t, LocalTime& local)
{
    const std::int64_t seconds = t + cache.shift;
    local.day = floor_div(seconds, seconds_per_day);
    const auto of_day = static_cast<int>(seconds - local.day * seconds_per_day);
    local.hour = of_day / 3600;
    local.minute = of_day % 3600 / 60;
    local.second = of_day % 60;
    local.utc_offset = cache.utc_offset;
}

// The same as convert_local_time, from one pair of conversions per quarter
// hour: a history lists its sessions in time order, many to the quarter.
// Inline, so that the log's rows find most times without a call.
inline bool local_time(LocalTimeCache& cache, std::int64_t t, LocalTime& local)
{
    if (!cache.even || t < cache.quarter || t > cache.quarter + (seconds_per_quarter_hour - 1))
        return local_time_slow(cache, t, local);
    local_time_in_quarter(cache, t, local);
    return true;
}

// The abbreviation of the zone's name at t, such as "CET", into buffer
// (size bytes with its end); empty where the host has none.
std::string_view zone_abbreviation(std::int64_t t, char* buffer, std::size_t size);
