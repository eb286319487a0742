// json.h - the report as one JSON document, for scripts.
#pragma once

#include "history/session_table.h"
#include "report/report_head.h"
#include "report/writer.h"
#include "stats/calls.h"
#include "stats/groups.h"
#include "stats/order.h"
#include "stats/stats.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// Prints the document: the systems in table order, one to a line, where a
// top count was given the systems it cut ("others"), the totals of all, and, unless sessions is null, every session in file order, one
// to a line. Every number is exact; every string keeps each of its bytes.
void print_json(Writer& out, const ReportHead& head, const SystemTable& systems,
                std::uint64_t session_count, const SessionTables* sessions,
                const std::optional<RowsCut>& cut = std::nullopt);

// Prints the document of a table of groups: "groups" in place of the
// systems and sessions, each with its label, its span and its sums.
void print_json_groups(Writer& out, const ReportHead& head, const std::vector<Group>& rows,
                       GroupUnit unit, std::uint64_t session_count,
                       const std::optional<RowsCut>& cut = std::nullopt);

// Prints the document of the calls: "calls" in place of the systems and
// sessions.
void print_json_calls(Writer& out, const ReportHead& head, const CallSums& calls,
                      const std::optional<RowsCut>& cut = std::nullopt);
