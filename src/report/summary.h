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

// The summary's heading with first_column in place of "Address", and the
// rule under it.
void print_sums_heading(Writer& out, std::string_view first_column);

// One row of the summary's columns: a label in the address column, then
// the sums.
void print_sums_row(Writer& out, std::string_view label, const Sums& sums);

// The row of the rows cut, where there are any, in the columns of the
// totals line: "Others %3u " and the unit, then their sums; adds them into
// rows and totals.
void print_sums_others(Writer& out, const std::optional<RowsCut>& cut, std::string_view unit,
                       std::uint64_t& rows, Sums& totals);

// The rule and the totals line: the rows counted in a unit of four letters
// ("sys.", "days", ...), the sessions, and the sums over all rows.
void print_sums_totals(Writer& out, std::uint64_t rows, std::string_view unit,
                       std::uint64_t session_count, const Sums& totals);
