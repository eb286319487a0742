// period.cpp - the span of start times that a report covers.
#include "time/period.h"

#include "time/calendar.h"

#include <limits>

std::int64_t first_start(const Period& period)
{
    return period.since.value_or(std::numeric_limits<std::int64_t>::min());
}

std::int64_t last_start(const Period& period)
{
    return period.until.value_or(std::numeric_limits<std::int64_t>::max());
}

std::int64_t span_between(std::int64_t from, std::int64_t to)
{
    const std::uint64_t span = static_cast<std::uint64_t>(to) - static_cast<std::uint64_t>(from);
    return span > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())
               ? std::numeric_limits<std::int64_t>::max()
               : static_cast<std::int64_t>(span);
}

std::optional<std::int64_t> closed_span(const std::optional<Period>& period)
{
    if (!period || !period->since || !period->until)
        return std::nullopt;
    return span_between(*period->since, *period->until);
}

bool is_empty(const Period& period)
{
    return first_start(period) > last_start(period);
}

Period last_24_hours(std::int64_t first, std::int64_t second)
{
    constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
    return {first < lowest + seconds_per_day ? lowest : first - seconds_per_day, second};
}

std::optional<Period> reported_period(const Period& given, bool whole_file, std::int64_t first,
                                      std::int64_t second)
{
    if (given.since || given.until)
        return given;
    if (whole_file)
        return std::nullopt;
    return last_24_hours(first, second);
}
