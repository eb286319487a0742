// local_time.cpp - start times as the local clock shows them, spared most
// conversions.
//
// Within a quarter hour the local clock runs evenly unless the zone changes
// its offset or inserts a leap second there; either shows when the clock at
// the quarter's first and last second is compared with the 899 seconds
// between them. In an even quarter every time is the first one's reading
// moved on. The one case this misses, two changes that undo each other
// within a quarter hour, no zone file has.
#include "time/local_time.h"

#include <ctime>
#include <limits>

namespace {

// Far beyond any calendar the host converts; no quarter is formed there.
constexpr std::int64_t cache_limit = std::int64_t{1} << 60;

// The count of seconds that a reading shows.
std::int64_t reading_seconds(const LocalTime& l)
{
    return local_seconds(l.day, l.hour, l.minute, l.second);
}

} // namespace

bool convert_local_time(std::int64_t t, LocalTime& local)
{
    if constexpr (sizeof(std::time_t) < sizeof(std::int64_t)) {
        if (t < std::numeric_limits<std::time_t>::min() ||
            t > std::numeric_limits<std::time_t>::max())
            return false;
    }
    const auto tt = static_cast<std::time_t>(t);
    std::tm tm{};
    if (localtime_r(&tt, &tm) == nullptr)
        return false;
    local.day = days_from_civil({std::int64_t{tm.tm_year} + 1900, tm.tm_mon + 1, tm.tm_mday});
    local.hour = tm.tm_hour;
    local.minute = tm.tm_min;
    local.second = tm.tm_sec;
    local.utc_offset = tm.tm_gmtoff;
    return true;
}

bool local_time_slow(LocalTimeCache& cache, std::int64_t t, LocalTime& local)
{
    if (t <= -cache_limit || t >= cache_limit)
        return convert_local_time(t, local);
    const std::int64_t q = floor_div(t, seconds_per_quarter_hour) * seconds_per_quarter_hour;
    if (q != cache.quarter) {
        LocalTime first, last;
        cache.quarter = q;
        cache.even = convert_local_time(q, first) && convert_local_time(q + seconds_per_quarter_hour - 1, last) &&
                     first.second < 60 && last.second < 60 &&
                     first.utc_offset == last.utc_offset &&
                     reading_seconds(last) - reading_seconds(first) == seconds_per_quarter_hour - 1;
        cache.shift = reading_seconds(first) - q;
        cache.utc_offset = first.utc_offset;
    }
    if (!cache.even)
        return convert_local_time(t, local);
    local_time_in_quarter(cache, t, local);
    return true;
}

std::string_view zone_abbreviation(std::int64_t t, char* buffer, std::size_t size)
{
    std::tm tm{};
    const auto tt = static_cast<std::time_t>(t);
    if (size == 0 || localtime_r(&tt, &tm) == nullptr)
        return {};
    return {buffer, std::strftime(buffer, size, "%Z", &tm)};
}
