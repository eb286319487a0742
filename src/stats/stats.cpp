// stats.cpp - the totals of each remote system, and their order.
#include "stats/stats.h"

#include "stats/calls.h"

#include "history/numbers.h"

#include <algorithm>
#include <vector>

namespace {

bool has_letter(std::string_view text, char c)
{
    return text.find(c) != std::string_view::npos;
}

// Gives every address of table up to the id address its system, and every
// flags text up to the id flags its direction letters.
void make_room(SystemSums& sums, const SessionTable& table, std::uint32_t address,
               std::uint32_t flags)
{
    // Ids count up in order of first appearance: an address's id is its
    // system's index.
    for (auto id = static_cast<std::uint32_t>(sums.systems.size()); id <= address; ++id) {
        SystemStats sys;
        sys.address = text_of(table.addresses, id);
        sums.systems.push_back(sys);
    }
    if (flags >= sums.directions.size())
        learn_directions(sums.directions, table, flags);
}

// Adds s into its system, which has its place.
[[gnu::always_inline]] inline void add_to_system(SystemStats* systems,
                                                 const unsigned char* directions, const Session& s)
{
    add_to_sums(systems[s.address].sums, s, directions[s.flags]);
}

} // namespace

void learn_directions(Directions& directions, const SessionTable& table, std::uint32_t flags)
{
    for (auto id = static_cast<std::uint32_t>(directions.size()); id <= flags; ++id) {
        const std::string_view letters = text_of(table.flags, id);
        directions.push_back(static_cast<unsigned char>((has_letter(letters, 'I') ? incoming : 0) |
                                                        (has_letter(letters, 'O') ? outgoing : 0)));
    }
}

void add_session(SystemSums& sums, const SessionTable& table, const Session& s)
{
    if (s.address >= sums.systems.size() || s.flags >= sums.directions.size())
        make_room(sums, table, s.address, s.flags);
    add_to_system(sums.systems.data(), sums.directions.data(), s);
    ++sums.sessions;
}

SystemTable build_system_stats(const SessionTable& table, CallOutcomes* outcomes)
{
    SystemSums sums;
    if (table.count == 0)
        return {};
    sums.systems.reserve(table.addresses.count);
    make_room(sums, table, table.addresses.count - 1, table.flags.count - 1);
    // Plain pointers: the sums, written through the loop, cannot then be
    // taken for the tables' own places.
    SystemStats* const systems = sums.systems.data();
    const unsigned char* const directions = sums.directions.data();
    const auto system_of = [=](const Session& s) { return &systems[s.address]; };
    if (outcomes == nullptr) {
        for_each_session(table, system_of, [=](const Session& s) { add_to_system(systems, directions, s); });
    } else {
        // Sessions are calls that connected: good unless they carry an
        // error number.
        outcomes->good.resize(table.addresses.count, 0);
        std::uint8_t* const good = outcomes->good.data();
        std::uint64_t errors = 0;
        for_each_session(table, system_of, [=, &errors](const Session& s) {
            add_to_system(systems, directions, s);
            if (s.error != 0)
                ++errors;
            else
                good[s.address] = 1;
        });
        outcomes->calls += table.count;
        outcomes->failed += errors;
    }
    return std::move(sums.systems);
}

void add_sums(Sums& sums, const Sums& more)
{
    sums.online = wrapping_add(sums.online, more.online);
    sums.sessions += more.sessions;
    sums.sent = wrapping_add(sums.sent, more.sent);
    sums.received = wrapping_add(sums.received, more.received);
    sums.out_sessions += more.out_sessions;
    sums.in_sessions += more.in_sessions;
    sums.out_online = wrapping_add(sums.out_online, more.out_online);
    sums.in_online = wrapping_add(sums.in_online, more.in_online);
}

void add_system(SystemTotals& totals, const SystemStats& sys)
{
    add_sums(totals.sums, sys.sums);
    ++totals.systems;
}

void sort_systems(SystemTable& systems)
{
    // string_view compares bytes as unsigned, a prefix first.
    std::sort(systems.begin(), systems.end(),
              [](const SystemStats& a, const SystemStats& b) { return a.address < b.address; });
}

void merge_systems(SystemTable& systems, const SystemTable& next)
{
    merge_by_address(systems, next, [](SystemStats& sys, const SystemStats& more) { add_sums(sys.sums, more.sums); });
}
