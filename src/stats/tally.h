// tally.h - what each view counts: the sums that one part of a history
// feeds as it is read, how two parts join in file order, and the rows that
// the printers take.
#pragma once

#include "history/reader.h"
#include "history/session_table.h"
#include "stats/calls.h"
#include "stats/group_unit.h"
#include "stats/groups.h"
#include "stats/metrics.h"
#include "stats/order.h"
#include "stats/page.h"
#include "stats/stats.h"
#include "time/period.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// What a report counts: the summary and the log, the summary alone, a
// table of groups, the calls, the page, which shows all of them, or the
// counters of each system on each line, for monitoring.
enum class View { report, summary, groups, calls, page, metrics };

// What the sums of a view need before the first session.
struct TallyPlan {
    View view = View::report;
    std::optional<GroupUnit> unit; // the unit of the groups, where given
    std::optional<Period> period;  // the period reported; none for the whole file
    SortKey sort = SortKey::own;   // the order of the tables' rows
    std::optional<std::uint64_t> top; // the rows kept of each table, where given
    // The report and the summary count the calls too, failed ones among
    // them, for the notice that follows them.
    bool failures = false;
};

// The sort keys of a view, its own order first: the summary's for the
// report and the summary, the groups', the calls', or for the page the
// summary's and then the calls' own.
std::vector<SortKeyName> sort_keys(View view);

// What the plan's reader does with the lines of no time online: keeps them
// where the calls are counted; for the notice of failed calls and for the
// metrics, only whole ones, so that the count of incomplete lines stays
// the report's.
ZeroOnline zero_online_of(const TallyPlan& plan);

// The sums of one part of a history; only the view's own are used.
struct PartTally {
    SystemSums systems;
    GroupSums groups;
    CallSums calls;
    PageSums page;
    MetricSums metrics;
    CallOutcomes outcomes;    // of the report's and the summary's calls, where counted
    FailedCalls failed_calls; // the same once the part is ordered
};

// Makes part ready for the plan's view and returns the sink that feeds it;
// none for the report, whose sessions table keeps for the log.
SessionSink start_part(PartTally& part, const TallyPlan& plan, SessionTable& table);

// Puts a part's systems and calls in address order, ready to be joined
// with other parts'; for the report, sums its table first.
void order_part(PartTally& part, const TallyPlan& plan, const SessionTable& table);

// Joins next, the part that follows part in the history, into part; both
// ordered.
void join_parts(PartTally& part, const PartTally& next, const TallyPlan& plan);

// What the printers take of a view.
struct Tally {
    SystemTable systems;       // in address order
    std::vector<Group> groups; // the table of groups, or the page's chart
    GroupUnit unit = GroupUnit::day; // of the groups
    CallSums calls;            // the systems in address order
    FailedCalls failed_calls;  // the report's and the summary's, where counted
    std::vector<MetricRow> metrics; // in order of line and address
    std::uint64_t session_count = 0;
    bool log_kept = true; // the page's log: every session of the period is in the tables
    // Where a top count was given: the rows it cut from each table.
    std::optional<RowsCut> systems_cut, groups_cut, calls_cut;
    SystemTable busiest; // the page's ten systems with the most traffic
};

// The rows of the view from the joined parts; line_names, the selected
// lines, name the groups by line.
Tally finish_tally(PartTally&& joined, const TallyPlan& plan,
                   const std::vector<std::string_view>& line_names);
