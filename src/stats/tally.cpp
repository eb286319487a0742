// tally.cpp - what each view counts, part by part, and how the parts join.
#include "stats/tally.h"

#include <algorithm>

namespace {

// The sink that sums each session into sums as it comes.
template <class Sums, void (*add)(Sums&, const SessionTable&, const Session&)>
SessionSink sink_into(Sums& sums)
{
    return {[](void* context, const SessionTable& table, const Session& s) {
                add(*static_cast<Sums*>(context), table, s);
            },
            &sums};
}

// Joins the systems of next into sums.
void join_systems(SystemSums& sums, const SystemSums& next)
{
    merge_systems(sums.systems, next.systems);
    sums.sessions += next.sessions;
}

// The groups of the page's chart: by the unit given, or by the one that
// the period's span, or else the span of the starts, calls for.
void chart_rows(PageSums& page, const TallyPlan& plan,
                const std::vector<std::string_view>& line_names, Tally& t)
{
    std::optional<std::int64_t> span = closed_span(plan.period);
    if (!span && page.first_start)
        span = span_between(*page.first_start, *page.last_start);
    t.unit = chart_unit(plan.unit, span);
    // The hours are kept for as long as the chart may be by hour.
    if (t.unit == GroupUnit::hour && !plan.unit)
        t.groups = group_rows(std::move(page.hours), line_names);
    else if (plan.unit || t.unit == GroupUnit::day)
        t.groups = group_rows(std::move(page.groups), line_names);
    else
        t.groups = group_rows(regroup(std::move(page.groups), t.unit), line_names);
}

// Sums a session into its system, and notes its outcome as a call.
void add_to_summary(PartTally& part, const SessionTable& table, const Session& s)
{
    add_session(part.systems, table, s);
    add_outcome(part.outcomes, s);
}

// Notes the outcome of a call of no time online.
void add_unconnected(PartTally& part, const SessionTable&, const Session& s)
{
    add_outcome(part.outcomes, s);
}

// The sink of the report or the summary that also notes the outcome of
// every call: the sessions go to take, or to the table where take is not
// set, and the lines of no time online to take_call.
SessionSink noting_calls(PartTally& part, SessionSink sink)
{
    sink.context = &part;
    sink.take_call = [](void* context, const SessionTable& table, const Session& s) {
        add_unconnected(*static_cast<PartTally*>(context), table, s);
    };
    return sink;
}

// Drops the rows, by address id, of the addresses whose lines table did
// not keep: a part makes room for every address it met.
template <class Row>
void drop_unkept(std::vector<Row>& rows, const SessionTable& table)
{
    const std::vector<std::uint8_t>& kept = table.address_kept;
    if (kept.empty())
        return;
    std::size_t out = 0;
    for (std::size_t id = 0; id < rows.size(); ++id)
        if (id < kept.size() && kept[id] != 0)
            rows[out++] = std::move(rows[id]);
    rows.resize(out);
}

// Orders the rows of each table of the view by the plan's key, and keeps
// the plan's top count of them.
void rank_rows(Tally& t, const TallyPlan& plan)
{
    const bool systems = plan.view != View::groups && plan.view != View::calls;
    const bool calls = plan.view == View::calls || plan.view == View::page;
    if (plan.view == View::page)
        t.busiest = busiest_systems(t.systems, 10);
    if (systems) {
        order_systems(t.systems, plan.sort);
        if (plan.top)
            t.systems_cut = cut_systems(t.systems, *plan.top);
    }
    if (calls) {
        order_calls(t.calls.systems, plan.sort);
        if (plan.top)
            t.calls_cut = cut_calls(t.calls.systems, *plan.top);
    }
    if (plan.view == View::groups) {
        order_groups(t.groups, plan.sort);
        if (plan.top)
            t.groups_cut = cut_groups(t.groups, *plan.top);
    }
}

} // namespace

std::vector<SortKeyName> sort_keys(View view)
{
    switch (view) {
    case View::groups:
        return {std::begin(group_keys), std::end(group_keys)};
    case View::calls:
        return {std::begin(call_keys), std::end(call_keys)};
    case View::page: {
        std::vector<SortKeyName> keys(std::begin(system_keys), std::end(system_keys));
        keys.insert(keys.end(), std::begin(call_keys) + 1, std::end(call_keys));
        return keys;
    }
    case View::report:
    case View::summary:
    case View::metrics:
        break;
    }
    return {std::begin(system_keys), std::end(system_keys)};
}

ZeroOnline zero_online_of(const TallyPlan& plan)
{
    if (plan.view == View::calls || plan.view == View::page)
        return ZeroOnline::keep;
    // The metrics' count of incomplete lines is the report's.
    return plan.failures || plan.view == View::metrics ? ZeroOnline::keep_whole : ZeroOnline::drop;
}

SessionSink start_part(PartTally& part, const TallyPlan& plan, SessionTable& table)
{
    switch (plan.view) {
    case View::report:
        if (plan.failures)
            return noting_calls(part, {});
        break;
    case View::summary:
        if (plan.failures)
            return noting_calls(part, sink_into<PartTally, add_to_summary>(part));
        return sink_into<SystemSums, add_session>(part.systems);
    case View::groups:
        part.groups.unit = plan.unit.value_or(GroupUnit::day);
        return sink_into<GroupSums, add_to_group>(part.groups);
    case View::calls:
        return sink_into<CallSums, add_call>(part.calls);
    case View::page:
        start_page(part.page, plan.unit, closed_span(plan.period), table);
        return sink_into<PageSums, add_to_page>(part.page);
    case View::metrics:
        return sink_into<MetricSums, add_to_metrics>(part.metrics);
    }
    return {};
}

void order_part(PartTally& part, const TallyPlan& plan, const SessionTable& table)
{
    switch (plan.view) {
    case View::report:
        part.systems.systems = build_system_stats(table, plan.failures ? &part.outcomes : nullptr);
        part.systems.sessions = table.count;
        [[fallthrough]];
    case View::summary:
        drop_unkept(part.systems.systems, table);
        sort_systems(part.systems.systems);
        if (plan.failures)
            part.failed_calls = failed_calls(part.outcomes, table, table.address_kept);
        break;
    case View::groups:
        break;
    case View::calls:
        drop_unkept(part.calls.systems, table);
        sort_calls(part.calls.systems);
        break;
    case View::page:
        drop_unkept(part.page.systems.systems, table);
        drop_unkept(part.page.calls.systems, table);
        sort_systems(part.page.systems.systems);
        sort_calls(part.page.calls.systems);
        break;
    case View::metrics:
        // Rows are made only for the lines kept.
        order_metrics(part.metrics);
        break;
    }
}

void join_parts(PartTally& part, const PartTally& next, const TallyPlan& plan)
{
    switch (plan.view) {
    case View::report:
    case View::summary:
        join_systems(part.systems, next.systems);
        merge_failed_calls(part.failed_calls, next.failed_calls);
        break;
    case View::groups:
        merge_groups(part.groups, next.groups);
        break;
    case View::calls:
        merge_calls(part.calls, next.calls);
        break;
    case View::page:
        merge_pages(part.page, next.page);
        break;
    case View::metrics:
        merge_metrics(part.metrics, next.metrics);
        break;
    }
}

Tally finish_tally(PartTally&& joined, const TallyPlan& plan,
                   const std::vector<std::string_view>& line_names)
{
    Tally t;
    switch (plan.view) {
    case View::report:
    case View::summary:
        t.systems = std::move(joined.systems.systems);
        t.session_count = joined.systems.sessions;
        t.failed_calls = std::move(joined.failed_calls);
        // Calls of no time online named systems too; only sessions count.
        if (plan.failures)
            std::erase_if(t.systems, [](const SystemStats& sys) { return sys.sums.sessions == 0; });
        break;
    case View::groups:
        t.unit = joined.groups.unit;
        t.session_count = joined.groups.sessions;
        t.groups = group_rows(std::move(joined.groups), line_names);
        break;
    case View::calls:
        t.calls = std::move(joined.calls);
        t.session_count = t.calls.calls;
        break;
    case View::page: {
        PageSums& page = joined.page;
        t.systems = std::move(page.systems.systems);
        // Calls of no time online named systems too; only sessions count.
        std::erase_if(t.systems, [](const SystemStats& sys) { return sys.sums.sessions == 0; });
        t.session_count = page.sessions;
        t.calls = std::move(page.calls);
        t.log_kept = page.sessions <= page_log_limit;
        chart_rows(page, plan, line_names, t);
        break;
    }
    case View::metrics:
        t.metrics = std::move(joined.metrics.rows);
        break;
    }
    rank_rows(t, plan);
    return t;
}
