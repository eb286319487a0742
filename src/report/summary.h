// summary.h - the per-system table and its totals line.
#pragma once

#include "report/writer.h"
#include "stats/order.h"
#include "stats/stats.h"

#include <cstdint>
#include <optional>
#include <string_view>

// Prints one row per system, in table order, a row for the systems cut
// where there are any, then the totals line over all and, unless the
// summary ends the report, an empty line; session_count is the number of
// sessions in the report.
void print_summary(Writer& out, const SystemTable& systems, std::uint64_t session_count,
                   bool blank_line_after = true, const std::optional<RowsCut>& cut = std::nullopt);
