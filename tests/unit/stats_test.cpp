#include "stats/stats.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Adds a session as the reader would.
void add(SessionTable& table, SystemTable& systems, std::string_view address,
         std::string_view flags, std::int64_t duration, std::int64_t sent,
         std::int64_t received)
{
    Session s;
    s.address = intern(table.addresses, address);
    if (s.address == systems.size()) {
        SystemStats sys;
        sys.address = table.addresses.texts[s.address];
        systems.push_back(sys);
    }
    s.flags = intern(table.flags, flags);
    s.duration = duration;
    s.sent = sent;
    s.received = received;
    append_session(table, s);
}

TEST(build_system_stats, sums_by_direction_letters)
{
    SessionTable table;
    SystemTable systems;
    add(table, systems, "9:99/1", "O", 600, 512, 60);
    add(table, systems, "9:50/3", "OI", 42, 1, 2);
    add(table, systems, "9:99/1", "I", 125, 0, 270);
    add(table, systems, "9:50/3", "ioX", 10, 5, 5); // lower case counts as neither
    build_system_stats(table, systems);

    const SystemStats& a = systems[0];
    EXPECT_EQ(a.sessions, 2U);
    EXPECT_EQ(a.online, 725);
    EXPECT_EQ(a.out_sessions, 1U);
    EXPECT_EQ(a.out_online, 600);
    EXPECT_EQ(a.in_sessions, 1U);
    EXPECT_EQ(a.in_online, 125);
    EXPECT_EQ(a.sent, 512);
    EXPECT_EQ(a.received, 330);

    const SystemStats& b = systems[1];
    EXPECT_EQ(b.sessions, 2U);
    EXPECT_EQ(b.online, 52);
    EXPECT_EQ(b.out_sessions, 1U);
    EXPECT_EQ(b.out_online, 42);
    EXPECT_EQ(b.in_sessions, 1U);
    EXPECT_EQ(b.in_online, 42);
    EXPECT_EQ(b.sent, 6);
    EXPECT_EQ(b.received, 7);
}

TEST(build_system_stats, sums_wrap)
{
    SessionTable table;
    SystemTable systems;
    add(table, systems, "a", "O", INT64_MAX, INT64_MAX, INT64_MIN);
    add(table, systems, "a", "O", 1, 1, -1);
    build_system_stats(table, systems);
    EXPECT_EQ(systems[0].online, INT64_MIN);
    EXPECT_EQ(systems[0].out_online, INT64_MIN);
    EXPECT_EQ(systems[0].sent, INT64_MIN);
    EXPECT_EQ(systems[0].received, INT64_MAX);
}

TEST(sort_systems, bytewise_unsigned_prefix_first)
{
    SessionTable table;
    SystemTable systems;
    for (const char* a : {"9:99/1", "9:50/3", "1:9/1", "1:10/1", "\xc3\xa9", "z", "1:10", "A"})
        add(table, systems, a, "O", 1, 0, 0);
    sort_systems(systems);
    std::vector<std::string> order;
    for (const SystemStats& s : systems)
        order.emplace_back(s.address);
    EXPECT_EQ(order, (std::vector<std::string>{"1:10", "1:10/1", "1:9/1", "9:50/3", "9:99/1",
                                               "A", "z", "\xc3\xa9"}));
}

TEST(sort_systems, records_move_whole_in_any_order)
{
    // Many systems in a scrambled order, each record marked by its sums.
    SystemTable systems;
    std::vector<std::string> addresses;
    for (std::uint32_t i = 0; i < 5000; ++i)
        addresses.push_back("2:" + std::to_string(i * 7919 % 5003) + "/" + std::to_string(i % 7));
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        SystemStats sys;
        sys.address = addresses[i];
        sys.sessions = static_cast<std::uint32_t>(i);
        sys.sent = static_cast<std::int64_t>(i) * 3;
        systems.push_back(sys);
    }
    sort_systems(systems);
    ASSERT_EQ(systems.size(), addresses.size());
    std::vector<bool> seen(addresses.size());
    for (std::size_t i = 0; i < systems.size(); ++i) {
        if (i > 0) {
            EXPECT_LT(systems[i - 1].address, systems[i].address) << i;
        }
        const std::uint32_t mark = systems[i].sessions;
        ASSERT_LT(mark, addresses.size());
        EXPECT_FALSE(seen[mark]);
        seen[mark] = true;
        EXPECT_EQ(systems[i].address, addresses[mark]);
        EXPECT_EQ(systems[i].sent, std::int64_t{mark} * 3);
    }
}

} // namespace
