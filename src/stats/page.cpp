// page.cpp - what the HTML page shows, summed as the sessions come.
#include "stats/page.h"

#include "time/calendar.h"
#include "time/period.h"

namespace {

// Whether a chart of starts from first to last may be by hour.
bool hours_fit(std::int64_t first, std::int64_t last)
{
    return chart_unit(std::nullopt, span_between(first, last)) == GroupUnit::hour;
}

} // namespace

void start_page(PageSums& sums, std::optional<GroupUnit> given, std::optional<std::int64_t> span,
                SessionTable& log)
{
    sums.groups.unit = given.value_or(GroupUnit::day);
    sums.hours.unit = GroupUnit::hour;
    sums.hours_wanted = chart_unit(given, span) == GroupUnit::hour && !given;
    sums.log = &log;
}

void add_to_page(PageSums& sums, const SessionTable& table, const Session& s)
{
    add_call(sums.calls, table, s);
    if (!is_session(s))
        return;
    add_session(sums.systems, table, s);
    add_to_group(sums.groups, table, s);
    ++sums.sessions;
    if (sums.sessions <= page_log_limit && sums.log != nullptr)
        append_session(*sums.log, s);
    if (!sums.first_start || s.start < *sums.first_start)
        sums.first_start = s.start;
    if (!sums.last_start || s.start > *sums.last_start)
        sums.last_start = s.start;
    if (!sums.hours_wanted)
        return;
    // Hours are kept only while they may be what the chart shows.
    if (!hours_fit(*sums.first_start, *sums.last_start)) {
        sums.hours_wanted = false;
        sums.hours = {};
        return;
    }
    add_to_group(sums.hours, table, s);
}

void merge_pages(PageSums& sums, const PageSums& next)
{
    merge_systems(sums.systems.systems, next.systems.systems);
    sums.systems.sessions += next.systems.sessions;
    merge_groups(sums.groups, next.groups);
    merge_calls(sums.calls, next.calls);
    sums.sessions += next.sessions;
    if (next.first_start && (!sums.first_start || *next.first_start < *sums.first_start))
        sums.first_start = next.first_start;
    if (next.last_start && (!sums.last_start || *next.last_start > *sums.last_start))
        sums.last_start = next.last_start;
    // The hours are kept as long as the starts of all parts span two days
    // at most.
    sums.hours_wanted = sums.hours_wanted && next.hours_wanted &&
                        (!sums.first_start || hours_fit(*sums.first_start, *sums.last_start));
    if (sums.hours_wanted)
        merge_groups(sums.hours, next.hours);
    else
        sums.hours = {};
}

GroupUnit chart_unit(std::optional<GroupUnit> given, std::optional<std::int64_t> span)
{
    if (given)
        return *given;
    const std::int64_t seconds = span.value_or(0);
    if (seconds <= 2 * seconds_per_day)
        return GroupUnit::hour;
    if (seconds <= 92 * seconds_per_day)
        return GroupUnit::day;
    if (seconds <= 731 * seconds_per_day)
        return GroupUnit::week;
    return GroupUnit::month;
}

GroupSums regroup(GroupSums&& days, GroupUnit unit)
{
    GroupSums out;
    out.unit = unit;
    out.sessions = days.sessions;
    for (Group& day : days.groups) {
        const GroupKey key = day.key.unknown ? day.key : day_key(unit, day.key.value);
        const auto [found, added] = out.places.try_emplace(key, out.groups.size());
        if (added) {
            Group g = day;
            g.key = key;
            g.sums = {};
            out.groups.push_back(g);
            set_span(out.groups.back(), unit);
        }
        add_sums(out.groups[found->second].sums, day.sums);
    }
    return out;
}
