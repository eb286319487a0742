// order.h - the rows of a table in the order a key asks for, and the rows
// past a top count summed into one.
#pragma once

#include "stats/calls.h"
#include "stats/groups.h"
#include "stats/stats.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// What a table's rows are ordered by: its own order (the address, the
// time or the line's name), or one of its columns, largest or latest
// first.
enum class SortKey { own, sessions, online, traffic, sent, received, cps, calls, failed, last_call, last_good };

// A key and its name, the name of its member in the JSON document.
struct SortKeyName {
    std::string_view name;
    SortKey key;
};

// The keys of the summary, of a table of groups and of the calls, their
// own order first.
inline constexpr SortKeyName system_keys[] = {
    {"address", SortKey::own},     {"sessions", SortKey::sessions}, {"online", SortKey::online},
    {"traffic", SortKey::traffic}, {"sent", SortKey::sent},         {"received", SortKey::received},
    {"cps", SortKey::cps}};
inline constexpr SortKeyName group_keys[] = {
    {"group", SortKey::own},       {"sessions", SortKey::sessions}, {"online", SortKey::online},
    {"traffic", SortKey::traffic}, {"sent", SortKey::sent},         {"received", SortKey::received},
    {"cps", SortKey::cps}};
inline constexpr SortKeyName call_keys[] = {{"address", SortKey::own},
                                            {"calls", SortKey::calls},
                                            {"failed", SortKey::failed},
                                            {"last_call", SortKey::last_call},
                                            {"last_good", SortKey::last_good}};

// The most rows --top keeps.
inline constexpr std::uint64_t most_top_rows = 1000000;

// Orders rows by key, keeping their order between equals; a key that the
// table has no column for leaves them as they are.
void order_systems(SystemTable& systems, SortKey key);
void order_groups(std::vector<Group>& groups, SortKey key);
void order_calls(std::vector<CallStats>& calls, SortKey key);

// The rows that a top count cut from a table, summed: for systems and
// groups their sums and sessions, for calls their calls and failed calls.
struct RowsCut {
    std::uint64_t rows = 0; // 0: nothing was cut
    Sums sums;
    std::uint64_t sessions = 0;
    std::uint64_t calls = 0;
    std::uint64_t failed = 0;
};

// Keeps the first top rows and sums the rest into the cut.
RowsCut cut_systems(SystemTable& systems, std::uint64_t top);
RowsCut cut_groups(std::vector<Group>& groups, std::uint64_t top);
RowsCut cut_calls(std::vector<CallStats>& calls, std::uint64_t top);

// The n systems with the most traffic, ties in address order; systems in
// address order.
SystemTable busiest_systems(const SystemTable& systems, std::size_t n);
