// time_of_day.h - local time of day of start times, spared most conversions.
#pragma once

#include <cstdint>

struct TimeOfDay {
    int hour = 0;
    int minute = 0;
    int second = 0; // 60 during a leap second
};

// A stretch of time, made of quarter hours, over which local time was
// seen to run evenly, and the last time converted in full.
struct TimeOfDayCache {
    std::int64_t from = 1;
    std::int64_t to = 0; // empty while from > to
    std::int64_t seconds_at_from = 0;
    std::int64_t last = 0;
    TimeOfDay last_tod;
    bool have_last = false;
    std::int64_t uneven_span = INT64_MIN; // start of a span known to hold a change
};

// The local time of day of start, as localtime_r gives it; false when the
// host cannot convert start.
bool local_time_of_day(TimeOfDayCache& cache, std::int64_t start, TimeOfDay& tod);
