// when.cpp - the times that --since and --until name: the grammar of the
// forms a person types. The clock's own rules live in the time room.
#include "app/when.h"

#include "time/calendar.h"
#include "time/instants.h"
#include "time/local_time.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t highest = std::numeric_limits<std::int64_t>::max();

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

// A count of one or more decimal digits, the whole of text, that fits in
// 64 unsigned bits.
std::optional<std::uint64_t> count(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    std::uint64_t v = 0;
    for (const char c : text) {
        const auto digit = static_cast<unsigned>(c - '0');
        if (c < '0' || c > '9' || v > (std::numeric_limits<std::uint64_t>::max() - digit) / 10)
            return std::nullopt;
        v = v * 10 + digit;
    }
    return v;
}

// The instant "@N" or "@-N" names, when 64 bits hold it.
std::optional<std::int64_t> epoch_seconds(std::string_view text)
{
    const bool negative = !text.empty() && text[0] == '-';
    const auto n = count(text.substr(negative ? 1 : 0));
    const auto limit = static_cast<std::uint64_t>(highest) + (negative ? 1 : 0);
    if (!n || *n > limit)
        return std::nullopt;
    return negative ? static_cast<std::int64_t>(0 - *n) : static_cast<std::int64_t>(*n);
}

// now less n times unit, when 64 bits hold it.
std::optional<std::int64_t> before_now(std::uint64_t n, std::int64_t unit, std::int64_t now)
{
    const std::uint64_t room = static_cast<std::uint64_t>(now) - static_cast<std::uint64_t>(lowest);
    if (n > room / static_cast<std::uint64_t>(unit))
        return std::nullopt;
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(now) -
                                     n * static_cast<std::uint64_t>(unit));
}

// "-N" and a unit: minutes, hours, days or weeks before now. "m" alone is
// no unit: months or minutes?
std::optional<std::int64_t> relative(std::string_view text, std::int64_t now)
{
    constexpr struct {
        std::string_view suffix;
        std::int64_t seconds;
    } units[] = {{"min", 60}, {"h", 3600}, {"d", seconds_per_day}, {"w", 7 * seconds_per_day}};
    for (const auto& u : units) {
        if (text.size() > u.suffix.size() && text.ends_with(u.suffix)) {
            const auto n = count(text.substr(0, text.size() - u.suffix.size()));
            return n ? before_now(*n, u.seconds, now) : std::nullopt;
        }
    }
    return std::nullopt;
}

// A time of day "hh:mm" or "hh:mm:ss", the whole of text.
std::optional<LocalReading> clock_reading(std::string_view text, std::int64_t day)
{
    if ((text.size() != 5 && text.size() != 8) || text[2] != ':' ||
        (text.size() == 8 && text[5] != ':'))
        return std::nullopt;
    const auto hour = digits(text, 0, 2), minute = digits(text, 3, 2);
    const auto second = text.size() == 8 ? digits(text, 6, 2) : std::optional<int>(0);
    if (!hour || !minute || !second || *hour > 23 || *minute > 59 || *second > 59)
        return std::nullopt;
    return LocalReading{day, *hour, *minute, *second};
}

// An offset from UTC, "Z" or "+hh:mm", "-hh:mm", "+hh:mm:ss", "-hh:mm:ss",
// in seconds east, the whole of text.
std::optional<std::int64_t> utc_offset(std::string_view text)
{
    if (text == "Z")
        return 0;
    if (text.empty() || (text[0] != '+' && text[0] != '-'))
        return std::nullopt;
    const auto east = clock_reading(text.substr(1), 0);
    if (!east)
        return std::nullopt;
    const std::int64_t seconds = local_seconds(0, east->hour, east->minute, east->second);
    return text[0] == '-' ? -seconds : seconds;
}

// The instant a reading names as the given bound.
std::optional<std::int64_t> reading_bound(const LocalReading& w, Bound bound)
{
    return bound == Bound::since ? first_instant_from(w) : last_instant_until(w);
}

// The instant the local days first..last name as the given bound: the
// first instant of the first day, or the last instant of the last day.
std::optional<std::int64_t> days_bound(std::int64_t first, std::int64_t last, Bound bound)
{
    return bound == Bound::since ? first_instant_of_day(first) : last_instant_of_day(last);
}

// The local day of now.
std::optional<std::int64_t> today(std::int64_t now)
{
    LocalTime l;
    if (!convert_local_time(now, l))
        return std::nullopt;
    return l.day;
}

// The forms that begin with a year: "YYYY", "YYYY-MM", "YYYY-MM-DD", and
// the date with a time of day, local or with its offset from UTC.
std::optional<std::int64_t> dated(std::string_view when, Bound bound)
{
    const auto year = digits(when, 0, 4);
    if (!year || *year < 1)
        return std::nullopt;
    if (when.size() == 4)
        return days_bound(days_from_civil({*year, 1, 1}), days_from_civil({*year, 12, 31}), bound);
    const auto month = digits(when, 5, 2);
    if (when[4] != '-' || !month || *month < 1 || *month > 12)
        return std::nullopt;
    const std::int64_t first = days_from_civil({*year, *month, 1});
    const int month_days = days_in_month(*year, *month);
    if (when.size() == 7)
        return days_bound(first, first + month_days - 1, bound);
    const auto day = digits(when, 8, 2);
    if (when.size() < 10 || when[7] != '-' || !day || *day < 1 || *day > month_days)
        return std::nullopt;
    const std::int64_t date = first + *day - 1;
    if (when.size() == 10)
        return days_bound(date, date, bound);
    // A time of day after T or one blank, then maybe an offset.
    if (when[10] != 'T' && when[10] != ' ')
        return std::nullopt;
    const std::size_t clock_size = when.size() >= 19 && when[16] == ':' ? 8 : 5;
    const auto reading = clock_reading(when.substr(11, clock_size), date);
    if (!reading)
        return std::nullopt;
    const std::string_view zone = when.substr(std::min(when.size(), 11 + clock_size));
    if (zone.empty())
        return reading_bound(*reading, bound);
    const auto east = utc_offset(zone);
    if (!east)
        return std::nullopt;
    return local_seconds(reading->day, reading->hour, reading->minute, reading->second) - *east;
}

} // namespace

std::optional<std::int64_t> parse_when(std::string_view when, Bound bound, std::int64_t now)
{
    if (when == "now")
        return now;
    if (when == "today" || when == "yesterday") {
        const auto day = today(now);
        if (!day)
            return std::nullopt;
        const std::int64_t d = when == "today" ? *day : *day - 1;
        return days_bound(d, d, bound);
    }
    if (when.starts_with('@'))
        return epoch_seconds(when.substr(1));
    if (when.starts_with('-'))
        return relative(when.substr(1), now);
    if (when.size() > 2 && when[2] == ':') {
        const auto day = today(now);
        const auto reading = day ? clock_reading(when, *day) : std::nullopt;
        return reading ? reading_bound(*reading, bound) : std::nullopt;
    }
    return dated(when, bound);
}
