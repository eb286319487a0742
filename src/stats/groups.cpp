// groups.cpp - sessions summed by a span of the local clock, or by line.
#include "stats/groups.h"

#include "time/calendar.h"
#include "time/instants.h"

#include <algorithm>

namespace {

// The group that the local time l lies in.
GroupKey key_of(GroupUnit unit, const LocalTime& l)
{
    if (unit == GroupUnit::hour)
        return {l.day * 24 + l.hour, l.utc_offset};
    return day_key(unit, l.day);
}

// The local days that a group of days, weeks, months or years spans.
std::pair<std::int64_t, std::int64_t> days_of(GroupUnit unit, std::int64_t value)
{
    switch (unit) {
    case GroupUnit::week:
        return {value, value + 6};
    case GroupUnit::month: {
        const std::int64_t year = floor_div(value, 12);
        const int month = static_cast<int>(value - year * 12) + 1;
        const std::int64_t first = days_from_civil({year, month, 1});
        return {first, first + days_in_month(year, month) - 1};
    }
    case GroupUnit::year:
        return {days_from_civil({value, 1, 1}), days_from_civil({value, 12, 31})};
    default:
        return {value, value};
    }
}

// A new group of the key, for a session that started at start, with the
// whole span of the clock it covers.
Group new_group(GroupUnit unit, const GroupKey& key, std::int64_t start)
{
    Group g;
    g.key = key;
    if (key.unknown)
        return g;
    if (unit == GroupUnit::hour) {
        if (const auto span = hour_around(start)) {
            g.from = span->first;
            g.to = span->second;
        }
        return g;
    }
    set_span(g, unit);
    return g;
}

// The fewest seconds a group of the unit commonly lasts: a bound on how
// many groups a span holds.
double shortest_seconds(GroupUnit unit)
{
    switch (unit) {
    case GroupUnit::hour:
        return 3600;
    case GroupUnit::day:
        return 86400;
    case GroupUnit::week:
        return 7 * 86400;
    case GroupUnit::month:
        return 28 * 86400;
    default:
        return 365 * 86400;
    }
}

// The group that begins at t, right after another; none where the host
// cannot convert t.
std::optional<Group> group_at(GroupUnit unit, std::int64_t t)
{
    LocalTime l;
    if (!convert_local_time(t, l))
        return std::nullopt;
    return new_group(unit, key_of(unit, l), t);
}

// Whether the clock shows the hour of g twice: the second before it or the
// second after it reads the same hour of the same day at another offset.
bool shown_twice(const Group& g)
{
    if (!g.from || !g.to)
        return false;
    for (const std::int64_t t : {*g.from - 1, *g.to + 1}) {
        LocalTime l;
        if (convert_local_time(t, l) && l.day * 24 + l.hour == g.key.value &&
            l.utc_offset != g.key.utc_offset)
            return true;
    }
    return false;
}

// The time groups in time order, with the empty ones between where there
// are at most max_group_rows, then the group of unknown times.
std::vector<Group> time_rows(GroupSums&& sums)
{
    // The index is freed first, and the groups once copied: the rows are
    // the most memory a report of many groups needs.
    sums.places = {};
    std::vector<Group> known, rows;
    known.reserve(sums.groups.size());
    std::optional<Group> unknown;
    for (Group& g : sums.groups) {
        if (g.key.unknown)
            unknown = std::move(g);
        else
            known.push_back(std::move(g));
    }
    sums.groups = {};
    rows.reserve(known.size());
    std::sort(known.begin(), known.end(),
              [](const Group& a, const Group& b) { return a.from < b.from; });
    // Each next group begins the second after the one before it ends. A
    // span that holds far more groups than can be listed is not walked.
    bool whole = std::all_of(known.begin(), known.end(), [](const Group& g) { return g.from && g.to; });
    if (whole && !known.empty()) {
        const auto span = static_cast<double>(*known.back().to) - static_cast<double>(*known.front().from);
        whole = span / shortest_seconds(sums.unit) <= 2.0 * max_group_rows;
    }
    for (std::size_t i = 0; whole && i < known.size(); ++i) {
        while (whole && !rows.empty() && *rows.back().to + 1 < *known[i].from) {
            const auto next = group_at(sums.unit, *rows.back().to + 1);
            whole = next && next->to && *next->to > *rows.back().to && rows.size() < max_group_rows;
            if (whole)
                rows.push_back(*next);
        }
        rows.push_back(known[i]);
        whole = whole && rows.size() <= max_group_rows;
    }
    if (!whole)
        rows = std::move(known);
    if (sums.unit == GroupUnit::hour)
        for (Group& g : rows)
            g.repeated = shown_twice(g);
    if (unknown)
        rows.push_back(std::move(*unknown));
    return rows;
}

} // namespace

GroupKey day_key(GroupUnit unit, std::int64_t day)
{
    switch (unit) {
    case GroupUnit::week:
        return {day - weekday_of(day)};
    case GroupUnit::month: {
        const CivilDate d = civil_from_days(day);
        return {d.year * 12 + d.month - 1};
    }
    case GroupUnit::year:
        return {civil_from_days(day).year};
    default:
        return {day};
    }
}

void set_span(Group& g, GroupUnit unit)
{
    const auto [first, last] = days_of(unit, g.key.value);
    g.from = first_instant_of_day(first);
    g.to = last_instant_of_day(last);
}

void add_to_group(GroupSums& sums, const SessionTable& table, const Session& s)
{
    const unsigned direction = direction_of(sums.directions, table, s.flags);
    ++sums.sessions;
    GroupKey key;
    if (sums.unit == GroupUnit::line) {
        key.value = s.line;
    } else {
        LocalTime l;
        if (local_time(sums.clock, s.start, l))
            key = key_of(sums.unit, l);
        else
            key.unknown = true;
    }
    // Sessions come in time order, many to a group: the last one first.
    if (sums.last < sums.groups.size() && sums.groups[sums.last].key == key) {
        add_to_sums(sums.groups[sums.last].sums, s, direction);
        return;
    }
    const auto [found, added] = sums.places.try_emplace(key, sums.groups.size());
    const std::size_t place = found->second;
    if (added)
        sums.groups.push_back(sums.unit == GroupUnit::line ? Group{key, {}, {}, {}}
                                                           : new_group(sums.unit, key, s.start));
    sums.last = place;
    add_to_sums(sums.groups[place].sums, s, direction);
}

void merge_groups(GroupSums& sums, const GroupSums& next)
{
    for (const Group& g : next.groups) {
        const auto [found, added] = sums.places.try_emplace(g.key, sums.groups.size());
        if (added)
            sums.groups.push_back(g);
        else
            add_sums(sums.groups[found->second].sums, g.sums);
    }
    sums.sessions += next.sessions;
}

std::vector<Group> group_rows(GroupSums&& sums, const std::vector<std::string_view>& line_names)
{
    if (sums.unit != GroupUnit::line)
        return time_rows(std::move(sums));
    // A line's group is at its place in the selection; an empty name,
    // which no line gives, has none.
    std::vector<Group> rows(line_names.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i].key.value = static_cast<std::int64_t>(i);
    for (const Group& g : sums.groups)
        add_sums(rows[static_cast<std::size_t>(g.key.value)].sums, g.sums);
    std::erase_if(rows, [&](const Group& g) { return line_names[static_cast<std::size_t>(g.key.value)].empty(); });
    std::sort(rows.begin(), rows.end(), [&](const Group& a, const Group& b) {
        return line_names[static_cast<std::size_t>(a.key.value)] <
               line_names[static_cast<std::size_t>(b.key.value)];
    });
    return rows;
}
