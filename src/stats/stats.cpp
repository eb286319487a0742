// stats.cpp - the totals of each remote system, and their order.
#include "stats/stats.h"

#include "history/numbers.h"

#include <algorithm>
#include <vector>

namespace {

bool has_letter(std::string_view text, char c)
{
    return text.find(c) != std::string_view::npos;
}

} // namespace

SystemTable build_system_stats(const SessionTable& table)
{
    // An address's id is its system's index here: ids count up in order of
    // first appearance.
    SystemTable systems(table.addresses.count);
    for (std::uint32_t id = 0; id < table.addresses.count; ++id)
        systems[id].address = text_of(table.addresses, id);
    // The direction letters of each distinct flags text, looked up once.
    std::vector<unsigned char> directions(table.flags.count);
    for (std::uint32_t id = 0; id < table.flags.count; ++id) {
        const std::string_view flags = text_of(table.flags, id);
        directions[id] = static_cast<unsigned char>((has_letter(flags, 'I') ? 1 : 0) |
                                                    (has_letter(flags, 'O') ? 2 : 0));
    }
    const auto system_of = [&](const Session& s) { return &systems[s.address]; };
    for_each_session(table, system_of, [&](const Session& s) {
        SystemStats& sys = *system_of(s);
        const unsigned direction = directions[s.flags];
        sys.online = wrapping_add(sys.online, s.duration);
        sys.sent = wrapping_add(sys.sent, s.sent);
        sys.received = wrapping_add(sys.received, s.received);
        ++sys.sessions;
        if (direction & 1) {
            ++sys.in_sessions;
            sys.in_online = wrapping_add(sys.in_online, s.duration);
        }
        if (direction & 2) {
            ++sys.out_sessions;
            sys.out_online = wrapping_add(sys.out_online, s.duration);
        }
    });
    return systems;
}

void sort_systems(SystemTable& systems)
{
    // string_view compares bytes as unsigned, a prefix first.
    std::sort(systems.begin(), systems.end(),
              [](const SystemStats& a, const SystemStats& b) { return a.address < b.address; });
}
