// stats.cpp - per-system sums and their order.
#include "stats/stats.h"

#include "history/numbers.h"

#include <algorithm>
#include <cstring>

namespace {

bool holds(std::string_view text, char c)
{
    return !text.empty() && std::memchr(text.data(), c, text.size()) != nullptr;
}

} // namespace

void build_system_stats(const SessionTable& table, SystemTable& systems)
{
    for (const Session& s : table.sessions) {
        // A session's address id is its system's index until the sort.
        SystemStats& sys = systems[s.address];
        const std::string_view flags = table.flags.texts[s.flags];
        sys.online = wrapping_add(sys.online, s.duration);
        sys.sent = wrapping_add(sys.sent, s.sent);
        sys.received = wrapping_add(sys.received, s.received);
        ++sys.sessions;
        if (holds(flags, 'I')) {
            ++sys.in_sessions;
            sys.in_online = wrapping_add(sys.in_online, s.duration);
        }
        if (holds(flags, 'O')) {
            ++sys.out_sessions;
            sys.out_online = wrapping_add(sys.out_online, s.duration);
        }
    }
}

void sort_systems(SystemTable& systems)
{
    // string_view compares bytes as unsigned, a prefix first.
    std::sort(systems.begin(), systems.end(),
              [](const SystemStats& a, const SystemStats& b) { return a.address < b.address; });
}
