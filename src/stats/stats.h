// stats.h - the totals of each remote system, and their order.
#pragma once

#include "history/numbers.h"
#include "history/session_table.h"

#include <cstdint>
#include <string_view>
#include <vector>

// The sums of some sessions: times online, counts and bytes, in all and
// by direction. The sums wrap.
struct Sums {
    std::int64_t online = 0;
    std::uint32_t sessions = 0;
    std::int64_t sent = 0;
    std::int64_t received = 0;
    std::uint32_t out_sessions = 0;
    std::uint32_t in_sessions = 0;
    std::int64_t out_online = 0;
    std::int64_t in_online = 0;

    bool operator==(const Sums&) const = default;
};

// Bytes in both directions, wrapping.
inline std::int64_t traffic_of(const Sums& sums)
{
    return wrapping_add(sums.sent, sums.received);
}

// Adds more into sums.
void add_sums(Sums& sums, const Sums& more);

// The direction letters of a session: I (1) and O (2) among its flags.
inline constexpr unsigned incoming = 1, outgoing = 2;

// Adds one session into sums, with its direction letters. Inlined into the
// loops that call it: the call cost 2% of a whole-file report.
[[gnu::always_inline]] inline void add_to_sums(Sums& sums, const Session& s, unsigned direction)
{
    sums.online = wrapping_add(sums.online, s.duration);
    sums.sent = wrapping_add(sums.sent, s.sent);
    sums.received = wrapping_add(sums.received, s.received);
    ++sums.sessions;
    if (direction & incoming) {
        ++sums.in_sessions;
        sums.in_online = wrapping_add(sums.in_online, s.duration);
    }
    if (direction & outgoing) {
        ++sums.out_sessions;
        sums.out_online = wrapping_add(sums.out_online, s.duration);
    }
}

// The direction letters of each flags text, by its id, learnt as new ids
// come.
using Directions = std::vector<unsigned char>;

// Learns the direction letters of every flags text up to the id flags.
void learn_directions(Directions& directions, const SessionTable& table, std::uint32_t flags);

// The direction letters of the flags text with this id in table.
inline unsigned direction_of(Directions& directions, const SessionTable& table, std::uint32_t flags)
{
    if (flags >= directions.size())
        learn_directions(directions, table, flags);
    return directions[flags];
}

// The totals of one remote system.
struct SystemStats {
    std::string_view address;
    Sums sums;

    bool operator==(const SystemStats&) const = default;
};

using SystemTable = std::vector<SystemStats>;

struct CallOutcomes;

// One entry per address of the sessions, in order of first appearance,
// each holding the sums of its sessions; where outcomes is given, each
// session's outcome as a call is added into it in the same pass.
SystemTable build_system_stats(const SessionTable& sessions, CallOutcomes* outcomes = nullptr);

// The systems' sums as sessions come, without keeping the sessions.
struct SystemSums {
    SystemTable systems;   // by address id
    Directions directions; // by flags id
    std::uint64_t sessions = 0;
};

// Adds s, whose texts are in table's pools, into its system's sums.
void add_session(SystemSums& sums, const SessionTable& table, const Session& s);

// Sums over all systems, as the summary's totals line shows them; the
// session count of a report is counted apart, in 64 bits.
struct SystemTotals {
    Sums sums;
    std::uint64_t systems = 0;
};

// Adds one system into totals.
void add_system(SystemTotals& totals, const SystemStats& sys);

// Orders the systems by address, byte by byte, bytes unsigned.
void sort_systems(SystemTable& systems);

// Joins more into items, both in the order of before, as one list in that
// order: combine(item, other) adds other into an item that neither comes
// before.
template <class Item, class Before, class Combine>
void merge_sorted(std::vector<Item>& items, const std::vector<Item>& more, Before before, Combine combine)
{
    std::vector<Item> merged;
    merged.reserve(items.size() + more.size());
    auto a = items.begin();
    auto b = more.begin();
    while (a != items.end() || b != more.end()) {
        if (b == more.end() || (a != items.end() && before(*a, *b))) {
            merged.push_back(*a++);
        } else if (a == items.end() || before(*b, *a)) {
            merged.push_back(*b++);
        } else {
            merged.push_back(*a++);
            combine(merged.back(), *b++);
        }
    }
    items = std::move(merged);
}

// The same for items in address order.
template <class Item, class Combine>
void merge_by_address(std::vector<Item>& items, const std::vector<Item>& more, Combine combine)
{
    merge_sorted(items, more, [](const Item& a, const Item& b) { return a.address < b.address; }, combine);
}

// Joins the systems of the part of a history that comes next into
// systems; both are in address order.
void merge_systems(SystemTable& systems, const SystemTable& next);
