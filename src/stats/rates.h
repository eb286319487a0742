// rates.h - the traffic and the rate that each table and the JSON report
// show, worked out in one place.
#pragma once

#include "history/numbers.h"
#include "history/session_table.h"
#include "stats/stats.h"

#include <cstdint>

// A session's bytes in both directions, wrapping.
inline std::int64_t session_traffic(const Session& s)
{
    return wrapping_add(s.sent, s.received);
}

// A session's rate: its bytes over its time online.
inline std::int64_t session_rate(const Session& s)
{
    return divide_rate(session_traffic(s), s.duration);
}

// The rate of a row of sums: a system's, or a group's.
inline std::int64_t rate_of(const Sums& sums)
{
    return divide_rate(traffic_of(sums), sums.online);
}

// The rate of a totals line: no traffic is rate 0, without dividing.
inline std::int64_t totals_rate(const Sums& totals)
{
    const std::int64_t traffic = traffic_of(totals);
    return traffic == 0 ? 0 : divide_rate(traffic, totals.online);
}
