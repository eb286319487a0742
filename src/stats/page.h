// page.h - what the HTML page shows, summed as the sessions come: the
// systems, the traffic by span of time, the calls, and the first sessions
// for its log.
#pragma once

#include "history/session_table.h"
#include "stats/calls.h"
#include "stats/groups.h"
#include "stats/stats.h"

#include <cstdint>
#include <optional>

// The most sessions the page lists one by one.
inline constexpr std::uint64_t page_log_limit = 5000;

struct PageSums {
    SystemSums systems;
    GroupSums groups;           // by the unit given, or by day
    GroupSums hours;            // while the chart may be by hour
    bool hours_wanted = false;
    CallSums calls;
    SessionTable* log = nullptr; // the reader's table: the first sessions are kept in it
    std::uint64_t sessions = 0;
    std::optional<std::int64_t> first_start, last_start;
};

// Makes sums ready for a page whose chart is by the unit given, if any,
// over a period of span seconds, where the period is closed; the first
// sessions go to log.
void start_page(PageSums& sums, std::optional<GroupUnit> given, std::optional<std::int64_t> span,
                SessionTable& log);

// Adds one line to the page: every line a call, and one that lasted some
// time a session too.
void add_to_page(PageSums& sums, const SessionTable& table, const Session& s);

// Joins the sums of the part of a history that comes next into sums; the
// systems and calls of both are in address order. The sessions of the log
// stay in each part's table.
void merge_pages(PageSums& sums, const PageSums& next);

// The unit of the chart: the one given, or by the span of the period or
// of the starts: hours up to two days, days up to 92, weeks up to 731,
// months beyond.
GroupUnit chart_unit(std::optional<GroupUnit> given, std::optional<std::int64_t> span);

// The groups of days summed again into weeks, months or years.
GroupSums regroup(GroupSums&& days, GroupUnit unit);
