// summary.h - the per-system table and its totals line.
#pragma once

#include "report/writer.h"
#include "stats/stats.h"

#include <cstdint>

// Prints one row per system, in table order, then the totals line and,
// unless the summary ends the report, an empty line; session_count is the
// number of sessions in the report.
void print_summary(Writer& out, const SystemTable& systems, std::uint64_t session_count,
                   bool blank_line_after = true);
