// local_time.cpp - start times as the local clock shows them, spared most
// conversions.
//
// Within a quarter hour the local clock runs evenly unless the zone changes
// its offset or inserts a leap second there; either shows when the clock at
// the quarter's first and last second is compared with the 899 seconds
// between them. In an even quarter every time is the first one's reading
// moved on. The one case this misses, two changes that undo each other
// within a quarter hour, no zone file has.
#include "report/local_time.h"

#include <ctime>
#include <limits>

namespace {

constexpr std::int64_t quarter = 900;
// Far beyond any calendar the host converts; no quarter is formed there.
constexpr std::int64_t cache_limit = std::int64_t{1} << 60;

// a / b rounded toward minus infinity, b positive.
std::int64_t floor_div(std::int64_t a, std::int64_t b)
{
    return a / b - (a % b < 0 ? 1 : 0);
}

// The clock's reading as a count of seconds from the epoch's local midnight.
std::int64_t local_seconds(const LocalTime& l)
{
    return l.day * seconds_per_day + l.hour * 3600 + l.minute * 60 + l.second;
}

} // namespace

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
    const std::int64_t q = floor_div(t, quarter) * quarter;
    if (q != cache.quarter) {
        LocalTime first, last;
        cache.quarter = q;
        cache.even = convert_local_time(q, first) && convert_local_time(q + quarter - 1, last) &&
                     first.second < 60 && last.second < 60 &&
                     first.utc_offset == last.utc_offset &&
                     local_seconds(last) - local_seconds(first) == quarter - 1;
        cache.shift = local_seconds(first) - q;
        cache.utc_offset = first.utc_offset;
    }
    if (!cache.even)
        return convert_local_time(t, local);
    local_time_in_quarter(cache, t, local);
    return true;
}
