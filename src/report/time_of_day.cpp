// time_of_day.cpp - local time of day of start times, spared most conversions.
//
// A history lists its sessions in time order, many to the quarter hour.
// Within one quarter hour local time runs evenly unless the zone changes
// its offset or inserts a leap second there; both show when the time of
// day at the stretch's two ends is compared with the seconds between them.
// Times inside an even stretch are then derived from its first end, and
// the stretch is carried on through each next quarter hour whose end agrees
// with it as well.
#include "report/time_of_day.h"

#include <ctime>
#include <limits>

namespace {

constexpr std::int64_t span = 900;
constexpr std::int64_t seconds_per_day = 86400;
// Far beyond any calendar the host converts; spans there are not formed.
constexpr std::int64_t cache_limit = std::int64_t{1} << 60;

bool convert(std::int64_t start, TimeOfDay& tod)
{
    if constexpr (sizeof(std::time_t) < sizeof(std::int64_t)) {
        if (start < std::numeric_limits<std::time_t>::min() ||
            start > std::numeric_limits<std::time_t>::max())
            return false;
    }
    const auto t = static_cast<std::time_t>(start);
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr)
        return false;
    tod.hour = tm.tm_hour;
    tod.minute = tm.tm_min;
    tod.second = tm.tm_sec;
    return true;
}

std::int64_t seconds_of_day(const TimeOfDay& tod)
{
    return tod.hour * 3600 + tod.minute * 60 + tod.second;
}

std::int64_t span_start(std::int64_t t)
{
    std::int64_t q = t / span;
    if (t % span < 0)
        --q;
    return q * span;
}

// Whether local time runs evenly from a (of time of day a_tod) to b.
bool runs_evenly(std::int64_t a, const TimeOfDay& a_tod, std::int64_t b)
{
    TimeOfDay b_tod;
    if (a_tod.second >= 60 || !convert(b, b_tod) || b_tod.second >= 60)
        return false;
    const std::int64_t diff = seconds_of_day(b_tod) - seconds_of_day(a_tod);
    return (diff + seconds_per_day) % seconds_per_day == b - a;
}

// The time of day at t within the cache's even stretch.
TimeOfDay derived(const TimeOfDayCache& cache, std::int64_t t)
{
    const std::int64_t s = (cache.seconds_at_from + (t - cache.from)) % seconds_per_day;
    TimeOfDay tod;
    tod.hour = static_cast<int>(s / 3600);
    tod.minute = static_cast<int>(s % 3600 / 60);
    tod.second = static_cast<int>(s % 60);
    return tod;
}

} // namespace

bool local_time_of_day(TimeOfDayCache& cache, std::int64_t start, TimeOfDay& tod)
{
    if (start < cache.from || start > cache.to) {
        const bool cacheable = start > -cache_limit && start < cache_limit;
        const std::int64_t s = cacheable ? span_start(start) : 0;
        // The quarter hour right after the even stretch: one conversion, at
        // its end, tells whether time runs evenly on through it.
        if (cacheable && cache.from <= cache.to && s == cache.to + 1 && s != cache.uneven_span) {
            if (runs_evenly(cache.to, derived(cache, cache.to), s + span - 1))
                cache.to = s + span - 1;
            else
                cache.uneven_span = s;
        }
        // A second time in one quarter hour: try to make it an even stretch.
        if (cacheable && (start < cache.from || start > cache.to) && cache.have_last && start > cache.last && s == span_start(cache.last) &&
            s != cache.uneven_span) {
            if (runs_evenly(cache.last, cache.last_tod, s + span - 1)) {
                cache.from = cache.last;
                cache.to = s + span - 1;
                cache.seconds_at_from = seconds_of_day(cache.last_tod);
            } else {
                cache.uneven_span = s;
            }
        }
        if (start < cache.from || start > cache.to) {
            const bool ok = convert(start, tod);
            cache.have_last = ok;
            cache.last = start;
            cache.last_tod = tod;
            return ok;
        }
    }
    tod = derived(cache, start);
    return true;
}
