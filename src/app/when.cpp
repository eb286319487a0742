// when.cpp - the times that --since and --until name.
//
// A local time W as --since is the earliest instant at which the local
// clock shows W or later; as --until, the latest instant at which it shows
// W or earlier. A day D as --since is its first second by that rule; as
// --until, the second before the day after D begins. The clock runs
// forward except where it is set back, and clock changes lie far apart, so
// both instants are found near W by searching the stretches between the
// changes.
#include "app/when.h"

#include "report/local_time.h"

#include <limits>
#include <vector>

namespace {

constexpr std::int64_t quarter = 900;
// Every zone's offset from UTC is far less than this.
constexpr std::int64_t reach = 2 * seconds_per_day;

// A reading of the local clock: day, hour, minute, second (60 for a leap
// second), compared in that order.
struct Reading {
    std::int64_t day = 0;
    int hour = 0, minute = 0, second = 0;

    auto operator<=>(const Reading&) const = default;
};

// The clock near one local time, read with every conversion checked.
struct Clock {
    bool failed = false;

    Reading at(std::int64_t t)
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
        const Reading r = at(t);
        return r.day * seconds_per_day + r.hour * 3600 + r.minute * 60 + r.second - t;
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

// The stretches of [from, to] over which the clock runs forward: cut where
// it is set back, found a quarter hour at a time and then to the second.
std::vector<std::pair<std::int64_t, std::int64_t>> forward_stretches(Clock& clock, std::int64_t from,
                                                                      std::int64_t to)
{
    std::vector<std::pair<std::int64_t, std::int64_t>> stretches;
    std::int64_t start = from;
    std::int64_t ahead = clock.ahead_of_utc(from);
    for (std::int64_t t = from; t < to;) {
        const std::int64_t next = t + quarter < to ? t + quarter : to;
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

// The instant that the local time w names as the given bound.
std::optional<std::int64_t> local_bound(const Reading& w, Bound bound)
{
    const std::int64_t as_utc = w.day * seconds_per_day + w.hour * 3600 + w.minute * 60 + w.second;
    Clock clock;
    const auto stretches = forward_stretches(clock, as_utc - reach, as_utc + reach);
    std::optional<std::int64_t> found;
    if (bound == Bound::since) {
        for (const auto& [from, to] : stretches) {
            if (clock.at(to) >= w) {
                found = first_where(from, to, [&](std::int64_t t) { return clock.at(t) >= w; });
                break;
            }
        }
    } else {
        for (auto s = stretches.rbegin(); s != stretches.rend(); ++s) {
            if (clock.at(s->first) <= w) {
                found = first_where(s->first, s->second,
                                    [&](std::int64_t t) { return clock.at(t) > w; }) - 1;
                break;
            }
        }
    }
    if (clock.failed)
        return std::nullopt;
    return found;
}

// Reads exactly n decimal digits at text[at].
std::optional<int> digits(std::string_view text, std::size_t at, std::size_t n)
{
    if (at + n > text.size())
        return std::nullopt;
    int v = 0;
    for (std::size_t i = at; i < at + n; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        v = v * 10 + (text[i] - '0');
    }
    return v;
}

// A count of one or more decimal digits, the whole of text.
std::optional<std::int64_t> count(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    std::int64_t v = 0;
    for (const char c : text) {
        if (c < '0' || c > '9' || v > (std::numeric_limits<std::int64_t>::max() - (c - '0')) / 10)
            return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

bool is_leap(std::int64_t year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int days_in_month(std::int64_t year, int month)
{
    constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap(year) ? 29 : days[month - 1];
}

// The day a date YYYY-MM-DD at the start of text names.
std::optional<std::int64_t> date(std::string_view text)
{
    const auto year = digits(text, 0, 4), month = digits(text, 5, 2), day = digits(text, 8, 2);
    if (text.size() < 10 || text[4] != '-' || text[7] != '-' || !year || !month || !day ||
        *month < 1 || *month > 12 || *day < 1 || *day > days_in_month(*year, *month))
        return std::nullopt;
    return days_from_civil({*year, *month, *day});
}

// The instant a day names as the given bound.
std::optional<std::int64_t> day_bound(std::int64_t day, Bound bound)
{
    if (bound == Bound::since)
        return local_bound({day, 0, 0, 0}, Bound::since);
    const auto next = local_bound({day + 1, 0, 0, 0}, Bound::since);
    if (!next)
        return std::nullopt;
    return *next - 1;
}

} // namespace

std::optional<std::int64_t> parse_when(std::string_view when, Bound bound, std::int64_t now)
{
    if (when == "today" || when == "yesterday") {
        LocalTime l;
        if (!convert_local_time(now, l))
            return std::nullopt;
        return day_bound(when == "today" ? l.day : l.day - 1, bound);
    }
    if (!when.empty() && when[0] == '@') {
        const bool negative = when.size() > 1 && when[1] == '-';
        const auto n = count(when.substr(negative ? 2 : 1));
        if (!n)
            return std::nullopt;
        return negative ? -*n : *n;
    }
    if (when.size() >= 3 && when[0] == '-' && (when.back() == 'd' || when.back() == 'h')) {
        const auto n = count(when.substr(1, when.size() - 2));
        const std::int64_t unit = when.back() == 'd' ? seconds_per_day : 3600;
        constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
        if (!n || *n > std::numeric_limits<std::int64_t>::max() / unit || now < lowest + *n * unit)
            return std::nullopt;
        return now - *n * unit;
    }
    const auto day = date(when);
    if (!day)
        return std::nullopt;
    if (when.size() == 10)
        return day_bound(*day, bound);
    // A local time: the date, T or one blank, HH:MM and maybe :SS.
    if ((when.size() != 16 && when.size() != 19) || (when[10] != 'T' && when[10] != ' ') ||
        when[13] != ':' || (when.size() == 19 && when[16] != ':'))
        return std::nullopt;
    const auto hour = digits(when, 11, 2), minute = digits(when, 14, 2);
    const auto second = when.size() == 19 ? digits(when, 17, 2) : std::optional<int>(0);
    if (!hour || !minute || !second || *hour > 23 || *minute > 59 || *second > 59)
        return std::nullopt;
    return local_bound({*day, *hour, *minute, *second}, bound);
}
