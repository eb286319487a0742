// html.h - the report as one self-contained HTML page: a chart of the
// traffic by span of time, the systems, the calls and the session log.
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

// What the page shows.
struct HtmlPage {
    std::string_view version;
    std::string_view line;                // the name_line argument as given
    std::optional<std::int64_t> from, to; // the period's ends; both none: the whole file
    bool whole_file = false;
    std::int64_t made = 0; // when the page was made
    const SystemTable* systems = nullptr;
    std::uint64_t session_count = 0;
    const std::vector<Group>* groups = nullptr;
    GroupUnit unit = GroupUnit::day;
    const std::vector<std::string_view>* line_names = nullptr;
    const CallSums* calls = nullptr;
    const SessionTables* log = nullptr; // null where the sessions are too many to list
};

// Prints the page. Every text from the history is escaped, and each byte
// that is a control or not UTF-8 shows as '?'.
void print_html(Writer& out, const HtmlPage& page);
