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
