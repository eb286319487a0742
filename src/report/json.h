// json.h - the report as one JSON document, for scripts.
#pragma once

#include "history/session_table.h"
#include "report/writer.h"
#include "stats/calls.h"
#include "stats/groups.h"
#include "stats/stats.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// What the document tells besides the tables.
struct JsonReport {
    std::string_view version;
    std::string_view line;                  // the name_line argument as given
    std::optional<std::int64_t> from, to;   // the ends of the window used
    std::vector<std::string_view> line_names; // the line of a session, by its place
    std::uint64_t skipped = 0;
};

// Prints the document: the systems in table order, one to a line, their
// totals, and, unless sessions is null, every session in file order, one
// to a line. Every number is exact; every string keeps each of its bytes.
void print_json(Writer& out, const JsonReport& report, const SystemTable& systems,
                std::uint64_t session_count, const SessionTables* sessions);

// Prints the document of a table of groups: "groups" in place of the
// systems and sessions, each with its label, its span and its sums.
void print_json_groups(Writer& out, const JsonReport& report, const std::vector<Group>& rows,
                       GroupUnit unit, std::uint64_t session_count);

// Prints the document of the calls: "calls" in place of the systems and
// sessions.
void print_json_calls(Writer& out, const JsonReport& report, const std::vector<CallStats>& systems,
                      std::uint64_t calls, std::uint64_t failed);
