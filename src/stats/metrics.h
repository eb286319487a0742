// metrics.h - the counters of each remote system on each line over the
// whole history, for monitoring.
#pragma once

#include "history/session_table.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// The figures of one remote system on one line.
struct MetricRow {
    std::uint32_t line = 0; // its place among the selected lines
    std::string_view address;
    std::uint64_t sessions = 0;
    std::int64_t online = 0;   // the sums wrap
    std::int64_t sent = 0;
    std::int64_t received = 0;
    std::uint64_t calls = 0;
    std::uint64_t failed = 0;
    std::optional<std::int64_t> last_call, last_good;
};

// The rows as the lines come: every line a call, one of some time online a
// session too.
struct MetricSums {
    std::vector<MetricRow> rows;
    // By line, then by address id: the place of the row plus one, 0 for none.
    std::vector<std::vector<std::uint32_t>> places;
};

// Adds the line s, whose texts are in table's pools, to its row.
void add_to_metrics(MetricSums& sums, const SessionTable& table, const Session& s);

// Adds the figures of more into row: its counters, and the later of their
// times.
void add_metric_row(MetricRow& row, const MetricRow& more);

// Puts the rows in order of line and address, ready to be joined.
void order_metrics(MetricSums& sums);

// Joins the rows of the part of a history that comes next into sums; both
// are in order.
void merge_metrics(MetricSums& sums, const MetricSums& next);
