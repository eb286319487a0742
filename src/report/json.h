// json.h - the report as one JSON document, for scripts.
#pragma once

#include "history/session_table.h"
#include "report/report_head.h"
#include "report/writer.h"
#include "stats/calls.h"
#include "stats/groups.h"
#include "stats/stats.h"

#include <cstdint>
#include <string_view>
#include <vector>

// Prints the document: the systems in table order, one to a line, their
// totals, and, unless sessions is null, every session in file order, one
// to a line. Every number is exact; every string keeps each of its bytes.
void print_json(Writer& out, const ReportHead& head, const SystemTable& systems,
                std::uint64_t session_count, const SessionTables* sessions);

// Prints the document of a table of groups: "groups" in place of the
// systems and sessions, each with its label, its span and its sums.
void print_json_groups(Writer& out, const ReportHead& head, const std::vector<Group>& rows,
                       GroupUnit unit, std::uint64_t session_count);

// Prints the document of the calls: "calls" in place of the systems and
// sessions.
void print_json_calls(Writer& out, const ReportHead& head, const CallSums& calls);
