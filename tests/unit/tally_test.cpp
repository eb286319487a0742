// The tally of each view: the chart's unit, the rows of groups, and the
// same rows whether a history is tallied as one part or as several.
#include "stats/tally.h"
#include "time/calendar.h"

#include "zone_scope.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr std::int64_t day = seconds_per_day;

// A session of a line as the reader hands it on, its texts still words.
struct Line {
    std::string address;
    std::string flags;
    std::uint32_t line;
    std::int64_t start;
    std::int64_t duration;
    std::int32_t error;
    std::int64_t sent;
    std::int64_t received;
};

// Four systems over two lines and five weeks, in Berlin's spring change,
// with failed calls, calls of no time online and equal starts.
std::vector<Line> history_lines()
{
    std::vector<Line> lines;
    const std::int64_t first = 1774652400; // 2026-03-28 00:00 in Berlin
    const char* addresses[] = {"2:5020/52", "2:463/68", "1:1/1", "2:5020/1042.7"};
    for (int i = 0; i < 400; ++i) {
        Line l;
        l.address = addresses[(i * 7) % 4];
        l.flags = i % 3 == 0 ? "IO" : (i % 3 == 1 ? "O" : "I");
        l.line = static_cast<std::uint32_t>(i % 5 == 0);
        l.start = first + static_cast<std::int64_t>(i) * 9000 - (i % 10 == 1 ? 9000 : 0);
        l.duration = i % 11 == 4 ? 0 : 30 + i % 97;
        l.error = i % 13 == 5 ? 3 : 0;
        l.sent = 1000 * i;
        l.received = 7 * i;
        lines.push_back(l);
    }
    return lines;
}

// Tallies lines split into parts at the places given, as parts read apart
// on several threads would be, and joins them in order.
Tally tally_in_parts(const std::vector<Line>& lines, const TallyPlan& plan,
                     const std::vector<std::size_t>& cuts, const std::vector<std::string_view>& names,
                     SessionTables& tables)
{
    const std::size_t parts = cuts.size() + 1;
    tables.clear();
    tables.resize(parts);
    std::vector<PartTally> sums(parts);
    for (std::size_t p = 0; p < parts; ++p) {
        const SessionSink sink = start_part(sums[p], plan, tables[p]);
        const std::size_t from = p == 0 ? 0 : cuts[p - 1];
        const std::size_t to = p + 1 < parts ? cuts[p] : lines.size();
        for (std::size_t i = from; i < to; ++i) {
            const Line& l = lines[i];
            if (l.duration == 0 && zero_online_of(plan) == ZeroOnline::drop)
                continue;
            const bool call_apart = l.duration == 0 && sink.take_call != nullptr;
            if (plan.period && (l.start < first_start(*plan.period) || l.start > last_start(*plan.period)))
                continue;
            SessionTable& table = tables[p];
            Session s;
            s.address = intern(table.addresses, l.address);
            s.flags = intern(table.flags, l.flags);
            s.line = l.line;
            s.start = l.start;
            s.duration = l.duration;
            s.error = l.error;
            s.sent = l.sent;
            s.received = l.received;
            if (call_apart)
                sink.take_call(sink.context, table, s);
            else if (sink.take != nullptr)
                sink.take(sink.context, table, s);
            else
                append_session(table, s);
        }
    }
    for (std::size_t p = 0; p < parts; ++p)
        order_part(sums[p], plan, tables[p]);
    for (std::size_t p = 1; p < parts; ++p)
        join_parts(sums[0], sums[p], plan);
    return finish_tally(std::move(sums[0]), plan, names);
}

// The rows of a tally as words, so that two tallies compare whole.
std::string rows_of(const Tally& t)
{
    std::string out = "unit " + std::to_string(static_cast<int>(t.unit)) + ", sessions " +
                      std::to_string(t.session_count) + (t.log_kept ? ", log kept\n" : "\n");
    for (const SystemStats& s : t.systems)
        out += std::string(s.address) + " " + std::to_string(s.sums.sessions) + " " +
               std::to_string(s.sums.online) + " " + std::to_string(s.sums.sent) + " " +
               std::to_string(s.sums.in_sessions) + " " + std::to_string(s.sums.out_online) + "\n";
    for (const Group& g : t.groups)
        out += std::to_string(g.key.value) + "/" + std::to_string(g.key.utc_offset) + " " +
               std::to_string(g.from.value_or(-1)) + "-" + std::to_string(g.to.value_or(-1)) + " " +
               std::to_string(g.sums.sessions) + " " + std::to_string(g.sums.received) + "\n";
    for (const CallStats& c : t.calls.systems)
        out += std::string(c.address) + " " + std::to_string(c.calls) + " " + std::to_string(c.failed) +
               " " + std::to_string(c.last_call.value_or(-1)) + " " +
               std::to_string(c.last_good.value_or(-1)) + " " + std::to_string(c.last_error) + "\n";
    for (const auto* cut : {&t.systems_cut, &t.groups_cut, &t.calls_cut})
        if (*cut)
            out += "cut " + std::to_string((*cut)->rows) + " " + std::to_string((*cut)->sessions) + " " +
                   std::to_string((*cut)->sums.sent) + " " + std::to_string((*cut)->calls) + "\n";
    for (const SystemStats& s : t.busiest)
        out += "busy " + std::string(s.address) + "\n";
    for (const MetricRow& m : t.metrics)
        out += "metric " + std::to_string(m.line) + " " + std::string(m.address) + " " +
               std::to_string(m.sessions) + " " + std::to_string(m.calls) + " " + std::to_string(m.failed) +
               " " + std::to_string(m.sent) + " " + std::to_string(m.last_good.value_or(-1)) + "\n";
    out += "failed " + std::to_string(t.failed_calls.failed) + " of " + std::to_string(t.failed_calls.calls) + ":";
    for (const CallReach& c : t.failed_calls.systems)
        out += " " + std::string(c.address) + (c.good ? "" : " (none good)");
    out += "\n";
    return out + "calls " + std::to_string(t.calls.calls) + " failed " + std::to_string(t.calls.failed);
}

} // namespace

TEST(chart_unit, the_span_sets_the_unit_at_its_edges)
{
    const struct {
        std::optional<std::int64_t> span;
        GroupUnit unit;
    } cases[] = {
        {std::nullopt, GroupUnit::hour},    {0, GroupUnit::hour},
        {2 * day, GroupUnit::hour},         {2 * day + 1, GroupUnit::day},
        {92 * day, GroupUnit::day},         {92 * day + 1, GroupUnit::week},
        {731 * day, GroupUnit::week},       {731 * day + 1, GroupUnit::month},
        {INT64_MAX, GroupUnit::month},
    };
    for (const auto& c : cases)
        EXPECT_EQ(chart_unit(std::nullopt, c.span), c.unit) << c.span.value_or(-1);
    EXPECT_EQ(chart_unit(GroupUnit::year, 0), GroupUnit::year);
}

TEST(group_rows, the_gaps_between_groups_are_walked_up_to_the_cap)
{
    ZoneScope zone("Europe/Berlin");
    const auto rows_for = [](GroupUnit unit, std::vector<std::int64_t> starts) {
        GroupSums sums;
        sums.unit = unit;
        SessionTable table;
        for (const std::int64_t start : starts) {
            Session s;
            s.address = intern(table.addresses, "1:1/1");
            s.flags = intern(table.flags, "O");
            s.start = start;
            s.duration = 1;
            add_to_group(sums, table, s);
        }
        return group_rows(std::move(sums), {});
    };
    const std::int64_t monday = 1774821600; // 2026-03-30 00:00 in Berlin, the day after the change
    // Days: the empty ones between are listed, in time order.
    const auto days = rows_for(GroupUnit::day, {monday + 3 * day, monday});
    ASSERT_EQ(days.size(), 4U);
    EXPECT_EQ(days[1].sums.sessions, 0U);
    EXPECT_EQ(*days[1].from, monday + day);
    EXPECT_EQ(*days[3].to, monday + 4 * day - 1);
    // Hours over the spring change: 02:00 does not exist, so 01:00 to
    // 04:00 is three rows.
    const std::int64_t one = 1774659600; // 2026-03-29 01:00 in Berlin
    EXPECT_EQ(rows_for(GroupUnit::hour, {one, one + 2 * 3600}).size(), 3U);
    // Up to the cap the gaps are listed; past it only the groups met. At
    // noon, so that a day of summer time lands on its own date in winter.
    const std::int64_t cap = static_cast<std::int64_t>(max_group_rows), noon = monday + day / 2;
    EXPECT_EQ(rows_for(GroupUnit::day, {noon, noon + (cap - 1) * day}).size(), max_group_rows);
    EXPECT_EQ(rows_for(GroupUnit::day, {noon, noon + cap * day}).size(), 2U);
}

TEST(finish_tally, parts_joined_in_order_give_the_rows_of_one)
{
    ZoneScope zone("Europe/Berlin");
    const std::vector<Line> lines = history_lines();
    const std::vector<std::string_view> names = {"tcpip", "ttyS1"};
    const Period period{1774652400, 1774652400 + 40 * day};
    const auto o = SortKey::own;
    const std::optional<std::uint64_t> all;
    const TallyPlan plans[] = {
        {View::report, std::nullopt, std::nullopt, o, all},
        {View::summary, std::nullopt, period, o, all},
        {View::groups, GroupUnit::hour, period, o, all},
        {View::groups, GroupUnit::week, std::nullopt, o, all},
        {View::groups, GroupUnit::line, std::nullopt, o, all},
        {View::calls, std::nullopt, std::nullopt, o, all},
        {View::page, std::nullopt, std::nullopt, o, all},
        {View::page, std::nullopt, Period{1774652400, 1774652400 + day}, o, all},
        {View::page, GroupUnit::month, period, o, all},
        // Sorted and cut: the order and the rows cut come after the join.
        {View::summary, std::nullopt, std::nullopt, SortKey::traffic, 2},
        {View::groups, GroupUnit::day, std::nullopt, SortKey::sessions, 3},
        {View::calls, std::nullopt, std::nullopt, SortKey::last_good, 1},
        {View::page, std::nullopt, std::nullopt, SortKey::failed, 2},
        // The report and the summary with the outcome of every call.
        {View::report, std::nullopt, std::nullopt, o, all, true},
        {View::summary, std::nullopt, period, SortKey::online, 3, true},
        {View::metrics, std::nullopt, std::nullopt, o, all},
    };
    for (const TallyPlan& plan : plans) {
        // Five parts, one of a single line and one empty.
        SessionTables one, five;
        const Tally whole = tally_in_parts(lines, plan, {}, names, one);
        const Tally parts = tally_in_parts(lines, plan, {1, 150, 150, 300}, names, five);
        EXPECT_EQ(rows_of(parts), rows_of(whole)) << "view " << static_cast<int>(plan.view);
        EXPECT_EQ(session_count(five), session_count(one));
    }
}
