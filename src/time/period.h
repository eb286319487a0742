// period.h - the span of start times that a report covers.
#pragma once

#include <cstdint>
#include <optional>

// Start times from since to until, both included; an end that is not
// given is open.
struct Period {
    std::optional<std::int64_t> since;
    std::optional<std::int64_t> until;

    bool operator==(const Period&) const = default;
};

// The first and the last start in a period; an open end reaches as far as
// 64 bits do.
std::int64_t first_start(const Period& period);
std::int64_t last_start(const Period& period);

// to - from, from being at most to; the largest span where 64 bits do not
// hold it.
std::int64_t span_between(std::int64_t from, std::int64_t to);

// The span from the first to the last start of a period with both ends;
// none for a period with an open end, or for the whole file.
std::optional<std::int64_t> closed_span(const std::optional<Period>& period);

// Whether a period holds no instant: its start lies after its end.
bool is_empty(const Period& period);

// The last 24 hours, from two readings of the clock taken one right after
// the other: from a day before the first up to the second.
Period last_24_hours(std::int64_t first, std::int64_t second);

// The period a report covers: a given period, which replaces the last 24
// hours and holds over the whole file too; else the last 24 hours, unless
// the whole file is asked for, which is no period at all.
std::optional<Period> reported_period(const Period& given, bool whole_file, std::int64_t first,
                                      std::int64_t second);
