#include "stats/stats.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Adds a session as the reader would.
void add(SessionTable& table, std::string_view address, std::string_view flags,
         std::int64_t duration, std::int64_t sent, std::int64_t received)
{
    Session s;
    s.address = intern(table.addresses, address);
    s.flags = intern(table.flags, flags);
    s.duration = duration;
    s.sent = sent;
    s.received = received;
    append_session(table, s);
}

// A system's expected totals.
SystemStats totals(std::string_view address, std::uint32_t sessions, std::int64_t online,
                   std::uint32_t out_sessions, std::int64_t out_online,
                   std::uint32_t in_sessions, std::int64_t in_online, std::int64_t sent,
                   std::int64_t received)
{
    return {address, {online, sessions, sent, received, out_sessions, in_sessions, out_online,
                      in_online}};
}

TEST(build_system_stats, sums_by_direction_letters_in_first_seen_order)
{
    SessionTable table;
    add(table, "9:99/1", "O", 600, 512, 60);
    add(table, "9:50/3", "OI", 42, 1, 2);
    add(table, "9:99/1", "I", 125, 0, 270);
    add(table, "9:50/3", "ioX", 10, 5, 5); // lower case counts as neither
    add(table, "1:1/1", "X", 7, 0, 0);
    const SystemTable want = {
        //     address   ses online  O  out  I  inc sent  received
        totals("9:99/1", 2, 725, 1, 600, 1, 125, 512, 330),
        totals("9:50/3", 2, 52, 1, 42, 1, 42, 6, 7),
        totals("1:1/1", 1, 7, 0, 0, 0, 0, 0, 0),
    };
    EXPECT_EQ(build_system_stats(table), want);
}

TEST(build_system_stats, none_for_no_session)
{
    EXPECT_TRUE(build_system_stats(SessionTable{}).empty());
}

TEST(build_system_stats, sums_wrap)
{
    SessionTable table;
    add(table, "a", "O", INT64_MAX, INT64_MAX, INT64_MIN);
    add(table, "a", "O", 1, 1, -1);
    EXPECT_EQ(build_system_stats(table),
              SystemTable{totals("a", 2, INT64_MIN, 2, INT64_MIN, 0, 0, INT64_MIN, INT64_MAX)});
}

TEST(sort_systems, bytewise_unsigned_prefix_first)
{
    SystemTable systems;
    for (const char* a : {"9:99/1", "9:50/3", "1:9/1", "1:10/1", "\xc3\xa9", "z", "1:10", "A"})
        systems.push_back(totals(a, 1, 1, 1, 1, 0, 0, 0, 0));
    sort_systems(systems);
    std::vector<std::string> order;
    for (const SystemStats& s : systems)
        order.emplace_back(s.address);
    EXPECT_EQ(order, (std::vector<std::string>{"1:10", "1:10/1", "1:9/1", "9:50/3", "9:99/1",
                                               "A", "z", "\xc3\xa9"}));
}

TEST(add_session, sums_as_they_come_what_the_table_sums_at_the_end)
{
    SessionTable table;
    add(table, "9:99/1", "O", 600, 512, 60);
    add(table, "9:50/3", "OI", 42, 1, 2);
    add(table, "9:99/1", "I", 125, 0, 270);
    add(table, "1:1/1", "X", INT64_MAX, INT64_MAX, -1);
    add(table, "1:1/1", "IO", 2, 1, INT64_MIN);
    SystemSums sums;
    for_each_session(table, [](const Session&) { return nullptr; },
                     [&](const Session& s) { add_session(sums, table, s); });
    EXPECT_EQ(sums.systems, build_system_stats(table));
    EXPECT_EQ(sums.sessions, table.count);
}

} // namespace
