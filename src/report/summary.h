// summary.h - the per-system table and its totals line.
#pragma once

#include "history/history.h"
#include "report/writer.h"

#include <cstdint>

// Sums over all rows of the summary.
struct ReportTotals {
    std::int64_t online = 0;
    std::int64_t out_online = 0;
    std::int64_t in_online = 0;
    std::int64_t traffic = 0;
    std::int64_t sent = 0;
    std::int64_t received = 0;
    std::uint32_t out_sessions = 0;
    std::uint32_t in_sessions = 0;
};

// Prints one row per system, in table order, then the totals line and an
// empty line; session_count is the number of sessions in the log. The
// addresses are views into the session table's text pool, as the reader
// makes them.
void print_summary(Writer& out, const SystemTable& systems, std::uint64_t session_count);
