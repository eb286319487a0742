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

// Takes a fraction of a second, "." and one or more digits, off the end of
// text; none where there is none, and whether it is more than 0.
std::optional<bool> take_fraction(std::string_view& text)
{
    const std::size_t dot = text.rfind('.');
    if (dot == std::string_view::npos)
        return std::nullopt;
    const std::string_view digits_after = text.substr(dot + 1);
    if (digits_after.empty() || digits_after.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    text = text.substr(0, dot);
    return digits_after.find_first_not_of('0') != std::string_view::npos;
}

// The instant "@N" or "@-N" names, when 64 bits hold it; with a fraction,
// the whole second at or after it as since, at or before it as until.
std::optional<std::int64_t> epoch_seconds(std::string_view text, Bound bound)
{
    const auto fraction = take_fraction(text);
    const bool negative = !text.empty() && text[0] == '-';
    const auto n = count(text.substr(negative ? 1 : 0));
    const auto limit = static_cast<std::uint64_t>(highest) + (negative ? 1 : 0);
    if (!n || *n > limit)
        return std::nullopt;
    const auto t = negative ? static_cast<std::int64_t>(0 - *n) : static_cast<std::int64_t>(*n);
    if (!fraction || !*fraction)
        return t;
    // -N.f lies before -N, N.f after N.
    if (negative)
        return bound == Bound::since ? t : (t == lowest ? std::nullopt : std::optional(t - 1));
    return bound == Bound::since ? (t == highest ? std::nullopt : std::optional(t + 1)) : t;
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

// An offset from UTC, "Z" (or "z"), or a sign and "hh:mm", "hh:mm:ss",
// "hhmm" or "hh", in seconds east, the whole of text.
std::optional<std::int64_t> utc_offset(std::string_view text)
{
    if (text == "Z" || text == "z")
        return 0;
    if (text.size() < 3 || (text[0] != '+' && text[0] != '-'))
        return std::nullopt;
    const std::string_view clock = text.substr(1);
    std::optional<LocalReading> east;
    if (clock.size() == 2 || clock.size() == 4) {
        const auto hour = digits(clock, 0, 2);
        const auto minute = clock.size() == 4 ? digits(clock, 2, 2) : std::optional<int>(0);
        if (hour && minute && *hour <= 23 && *minute <= 59)
            east = LocalReading{0, *hour, *minute, 0};
    } else {
        east = clock_reading(clock, 0);
    }
    if (!east)
        return std::nullopt;
    const std::int64_t seconds = local_seconds(0, east->hour, east->minute, east->second);
    return text[0] == '-' ? -seconds : seconds;
}

// The first whole second at or after t plus a fraction (since), or the
// last at or before it (until).
std::int64_t whole_second(std::int64_t t, bool fraction, Bound bound)
{
    return fraction && bound == Bound::since ? t + 1 : t;
}

// The instant a reading names as the given bound; with a fraction of a
// second after it, as since, the second after the one that shows it.
std::optional<std::int64_t> reading_bound(const LocalReading& w, Bound bound, bool fraction = false)
{
    if (bound == Bound::until)
        return last_instant_until(w);
    const auto t = first_instant_from(w);
    LocalTime shown;
    if (t && fraction && convert_local_time(*t, shown) && shown.day == w.day && shown.hour == w.hour &&
        shown.minute == w.minute && shown.second == w.second)
        return *t + 1;
    return t;
}

// A time of day with a fraction of a second maybe, on day, as the given
// bound; the whole of text.
std::optional<std::int64_t> clock_bound(std::string_view text, std::int64_t day, Bound bound)
{
    const auto fraction = take_fraction(text);
    if (fraction && text.size() != 8)
        return std::nullopt;
    const auto reading = clock_reading(text, day);
    return reading ? reading_bound(*reading, bound, fraction.value_or(false)) : std::nullopt;
}

// The instant the local days first..last name as the given bound: the
// first instant of the first day, or the last instant of the last day.
std::optional<std::int64_t> days_bound(std::int64_t first, std::int64_t last, Bound bound)
{
    return bound == Bound::since ? first_instant_of_day(first) : last_instant_of_day(last);
}

// An ISO 8601 week "YYYY-Www", the whole of text, as a span of days.
std::optional<std::int64_t> week_bound(std::string_view text, Bound bound)
{
    const auto year = digits(text, 0, 4);
    const auto week = digits(text, 6, 2);
    if (text.size() != 8 || !year || *year < 1 || text[4] != '-' || text[5] != 'W' || !week ||
        *week < 1 || *week > 53)
        return std::nullopt;
    const std::int64_t monday = first_day_of({*year, *week});
    const IsoWeek back = iso_week_of(monday);
    if (back.year != *year || back.week != *week) // a week 53 that the year has not
        return std::nullopt;
    return days_bound(monday, monday + 6, bound);
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
    if (when.size() == 8 && when[5] == 'W')
        return week_bound(when, bound);
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
    // A time of day after T (or t, or one blank), maybe a fraction of a
    // second, then maybe an offset.
    if (when[10] != 'T' && when[10] != 't' && when[10] != ' ')
        return std::nullopt;
    const std::size_t clock_size = when.size() >= 19 && when[16] == ':' ? 8 : 5;
    const auto reading = clock_reading(when.substr(11, clock_size), date);
    if (!reading)
        return std::nullopt;
    std::string_view zone = when.substr(std::min(when.size(), 11 + clock_size));
    bool fraction = false;
    if (clock_size == 8 && zone.starts_with('.')) {
        const std::size_t end = zone.find_first_not_of("0123456789", 1);
        const std::string_view f = zone.substr(1, end == std::string_view::npos ? zone.size() - 1 : end - 1);
        if (f.empty())
            return std::nullopt;
        fraction = f.find_first_not_of('0') != std::string_view::npos;
        zone = zone.substr(1 + f.size());
    }
    if (zone.empty())
        return reading_bound(*reading, bound, fraction);
    const auto east = utc_offset(zone);
    if (!east)
        return std::nullopt;
    return whole_second(local_seconds(reading->day, reading->hour, reading->minute, reading->second) - *east,
                        fraction, bound);
}

} // namespace

std::optional<std::int64_t> parse_when(std::string_view when, Bound bound, std::int64_t now)
{
    if (when == "now")
        return now;
    for (const std::string_view word : {std::string_view("today"), std::string_view("yesterday")}) {
        if (!when.starts_with(word) || (when.size() > word.size() && when[word.size()] != ' '))
            continue;
        const auto day = today(now);
        if (!day)
            return std::nullopt;
        const std::int64_t d = word == "today" ? *day : *day - 1;
        if (when.size() == word.size())
            return days_bound(d, d, bound);
        return clock_bound(when.substr(word.size() + 1), d, bound);
    }
    if (when.starts_with('@'))
        return epoch_seconds(when.substr(1), bound);
    if (when.starts_with('-'))
        return relative(when.substr(1), now);
    if (when.size() > 2 && when[2] == ':') {
        const auto day = today(now);
        return day ? clock_bound(when, *day, bound) : std::nullopt;
    }
    return dated(when, bound);
}
