// stats.cpp - per-system sums and their order.
#include "stats/stats.h"

#include "history/numbers.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

bool holds(std::string_view text, char c)
{
    return !text.empty() && std::memchr(text.data(), c, text.size()) != nullptr;
}

// The first eight bytes of text as a number that orders like the bytes,
// shorter texts padded with zero bytes.
std::uint64_t address_prefix(std::string_view text)
{
    std::uint64_t key = 0;
    for (std::size_t i = 0; i < 8; ++i)
        key = key << 8 | (i < text.size() ? static_cast<unsigned char>(text[i]) : 0U);
    return key;
}

} // namespace

void build_system_stats(const SessionTable& table, SystemTable& systems)
{
    SessionCursor cursor;
    for (Session s; next_session(table, cursor, s);) {
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
    // Sorts small keys, not the records: the first eight bytes of each
    // address, most significant first, settle most comparisons alone.
    struct Key {
        std::uint64_t prefix;
        std::uint32_t index;
    };
    std::vector<Key> keys(systems.size());
    for (std::size_t i = 0; i < systems.size(); ++i)
        keys[i] = {address_prefix(systems[i].address), static_cast<std::uint32_t>(i)};
    std::sort(keys.begin(), keys.end(), [&](const Key& a, const Key& b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        // string_view compares bytes as unsigned, a prefix first.
        return systems[a.index].address < systems[b.index].address;
    });
    SystemTable sorted;
    sorted.reserve(systems.size());
    for (const Key& k : keys)
        sorted.push_back(systems[k.index]);
    systems.swap(sorted);
}
