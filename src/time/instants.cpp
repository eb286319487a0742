// instants.cpp - the instants at which the local clock shows a reading.
//
// The clock runs forward except where it is set back, and clock changes lie
// far apart, so the instants that show a reading W lie within two days of
// W read as UTC. That span is cut into the stretches over which the clock
// runs forward, found a quarter hour at a time and then to the second, and
// within a stretch the clock can be searched by bisection.
#include "time/instants.h"

#include "time/local_time.h"

#include <utility>
#include <vector>

namespace {

// Every zone's offset from UTC is far less than this.
constexpr std::int64_t reach = 2 * seconds_per_day;

// The clock near one reading, with every conversion checked.
struct ClockProbe {
    bool failed = false;

    LocalReading at(std::int64_t t)
    {
        LocalTime l;
        if (!convert_local_time(t, l)) {
            failed = true;
            return {};
        }
        return {l.day, l.hour, l.minute, l.second};
    }
    // The clock's reading as seconds, a leap second counted as the next one:
    // it falls by the size of the change where the clock is set back.
    std::int64_t ahead_of_utc(std::int64_t t)
    {
        const LocalReading r = at(t);
        return local_seconds(r.day, r.hour, r.minute, r.second) - t;
    }
};

// The first instant of [low, high] for which pred holds, pred being false
// before it and true after; high + 1 when there is none.
template <class Pred>
std::int64_t first_where(std::int64_t low, std::int64_t high, Pred pred)
{
    high += 1;
    while (low < high) {
        const std::int64_t mid = low + (high - low) / 2;
        if (pred(mid))
            high = mid;
        else
            low = mid + 1;
    }
    return low;
}

// The stretches of [from, to] over which the clock runs forward.
std::vector<std::pair<std::int64_t, std::int64_t>> forward_stretches(ClockProbe& clock,
                                                                      std::int64_t from,
                                                                      std::int64_t to)
{
    std::vector<std::pair<std::int64_t, std::int64_t>> stretches;
    std::int64_t start = from;
    std::int64_t ahead = clock.ahead_of_utc(from);
    for (std::int64_t t = from; t < to;) {
        const std::int64_t next = t + seconds_per_quarter_hour < to ? t + seconds_per_quarter_hour : to;
        const std::int64_t next_ahead = clock.ahead_of_utc(next);
        if (next_ahead < ahead) {
            const std::int64_t back = first_where(
                t + 1, next, [&](std::int64_t u) { return clock.ahead_of_utc(u) < ahead; });
            stretches.emplace_back(start, back - 1);
            start = back;
        }
        ahead = next_ahead;
        t = next;
    }
    stretches.emplace_back(start, to);
    return stretches;
}

// The stretches around w, read as UTC.
std::vector<std::pair<std::int64_t, std::int64_t>> stretches_near(ClockProbe& clock,
                                                                   const LocalReading& w)
{
    const std::int64_t as_utc = local_seconds(w.day, w.hour, w.minute, w.second);
    return forward_stretches(clock, as_utc - reach, as_utc + reach);
}

// The instant that shows w where the clock runs evenly, by one offset,
// for two days each way: w read as UTC less that offset. Three conversions
// instead of a search; none where the clock changes near w.
std::optional<std::int64_t> even_instant(const LocalReading& w)
{
    const std::int64_t as_utc = local_seconds(w.day, w.hour, w.minute, w.second);
    LocalTime before, at, after;
    if (!convert_local_time(as_utc - reach, before) || !convert_local_time(as_utc + reach, after) ||
        before.utc_offset != after.utc_offset)
        return std::nullopt;
    const std::int64_t t = as_utc - before.utc_offset;
    if (!convert_local_time(t, at) || at.utc_offset != before.utc_offset ||
        LocalReading{at.day, at.hour, at.minute, at.second} != w)
        return std::nullopt;
    return t;
}

} // namespace

std::optional<std::int64_t> first_instant_from(const LocalReading& w)
{
    if (const auto t = even_instant(w))
        return t;
    ClockProbe clock;
    std::optional<std::int64_t> found;
    for (const auto& [from, to] : stretches_near(clock, w)) {
        if (clock.at(to) >= w) {
            found = first_where(from, to, [&](std::int64_t t) { return clock.at(t) >= w; });
            break;
        }
    }
    if (clock.failed)
        return std::nullopt;
    return found;
}

std::optional<std::int64_t> last_instant_until(const LocalReading& w)
{
    if (const auto t = even_instant(w))
        return t;
    ClockProbe clock;
    std::optional<std::int64_t> found;
    const auto stretches = stretches_near(clock, w);
    for (auto s = stretches.rbegin(); s != stretches.rend(); ++s) {
        if (clock.at(s->first) <= w) {
            found = first_where(s->first, s->second,
                                [&](std::int64_t t) { return clock.at(t) > w; }) - 1;
            break;
        }
    }
    if (clock.failed)
        return std::nullopt;
    return found;
}

std::optional<std::int64_t> first_instant_of_day(std::int64_t day)
{
    return first_instant_from({day, 0, 0, 0});
}

std::optional<std::int64_t> last_instant_of_day(std::int64_t day)
{
    const auto next = first_instant_of_day(day + 1);
    if (!next)
        return std::nullopt;
    return *next - 1;
}

std::optional<std::pair<std::int64_t, std::int64_t>> hour_around(std::int64_t t)
{
    LocalTime at;
    if (!convert_local_time(t, at))
        return std::nullopt;
    // Clock changes lie hours apart, so the hour's instants are one run
    // within two hours of t.
    const auto in_hour = [&](std::int64_t u) {
        LocalTime l;
        return convert_local_time(u, l) && l.day == at.day && l.hour == at.hour &&
               l.utc_offset == at.utc_offset;
    };
    const std::int64_t first = first_where(t - 7200, t, in_hour);
    const std::int64_t last = first_where(t, t + 7200, [&](std::int64_t u) { return !in_hour(u); }) - 1;
    return std::pair{first, last};
}
