// groups.h - sessions summed by a span of the local clock (hour, day, ISO
// week, month, year), or by line, as they are read.
#pragma once

#include "history/session_table.h"
#include "stats/group_unit.h"
#include "stats/stats.h"
#include "time/local_time.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

// Which span of the clock a group is, as a number that orders them: for an
// hour its local day times 24 plus its hour, and its offset from UTC (an
// hour shown twice is two groups); for a day and a week (Monday) the local
// day; for a month the year times 12 plus the month less 1; for a year the
// year. For a line, its place among the selected lines.
struct GroupKey {
    std::int64_t value = 0;
    std::int64_t utc_offset = 0;
    bool unknown = false; // starts that the host cannot convert

    bool operator==(const GroupKey&) const = default;
};

// A hash of a group's key, for the index of the groups met.
struct GroupKeyHash {
    std::size_t operator()(const GroupKey& k) const
    {
        return std::hash<std::int64_t>()(k.value * 31 + k.utc_offset) ^ (k.unknown ? 1 : 0);
    }
};

// One row of the table of groups.
struct Group {
    GroupKey key;
    std::optional<std::int64_t> from, to; // the first and last second of its whole span
    Sums sums;
    bool repeated = false; // an hour that the clock shows twice, at two offsets
};

// The groups' sums as sessions come, without keeping the sessions.
struct GroupSums {
    GroupUnit unit = GroupUnit::day;
    // In order of their first session; in blocks that are never copied as
    // they grow, so that a century of days needs no second copy of itself.
    std::deque<Group> groups;
    std::size_t last = 0;      // the group of the latest session, looked at first
    std::unordered_map<GroupKey, std::size_t, GroupKeyHash> places;
    LocalTimeCache clock;
    Directions directions;
    std::uint64_t sessions = 0;
};

// The group of days, weeks, months or years that a local day lies in.
GroupKey day_key(GroupUnit unit, std::int64_t day);

// Sets the whole span of a group of days, weeks, months or years from its
// key.
void set_span(Group& g, GroupUnit unit);

// Adds s, whose texts are in table's pools, into its group's sums.
void add_to_group(GroupSums& sums, const SessionTable& table, const Session& s);

// Joins the groups of the part of a history that comes next into sums,
// as if its sessions had followed.
void merge_groups(GroupSums& sums, const GroupSums& next);

// The most rows a table of time groups lists with the empty ones between.
inline constexpr std::size_t max_group_rows = 100000;

// The rows of the table: time groups in time order (an hour that the clock
// shows twice marked as repeated), the empty ones between
// the first and the last too where that makes at most max_group_rows, then
// one for starts that the host cannot convert, if any; or a row for each
// line named (empty names aside) in byte order, a row of zeros for a line
// without sessions.
std::vector<Group> group_rows(GroupSums&& sums, const std::vector<std::string_view>& line_names);
