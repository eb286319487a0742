// stats.cpp - per-system sums and their order.
#include "stats/stats.h"

#include "history/numbers.h"

#include <algorithm>
#include <vector>

namespace {

bool has_letter(std::string_view text, char c)
{
    return text.find(c) != std::string_view::npos;
}

// Eight bytes of text from offset as a number that orders like the bytes,
// short texts padded with zero bytes.
std::uint64_t address_prefix(std::string_view text, std::size_t offset)
{
    std::uint64_t key = 0;
    for (std::size_t i = offset; i < offset + 8; ++i)
        key = key << 8 | (i < text.size() ? static_cast<unsigned char>(text[i]) : 0U);
    return key;
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
    // Sorts small keys, not the records: the first sixteen bytes of each
    // address, most significant first, settle most comparisons alone.
    struct Key {
        std::uint64_t high;
        std::uint64_t low;
        std::uint32_t index;
    };
    std::vector<Key> keys(systems.size());
    for (std::size_t i = 0; i < systems.size(); ++i)
        keys[i] = {address_prefix(systems[i].address, 0), address_prefix(systems[i].address, 8),
                   static_cast<std::uint32_t>(i)};
    std::sort(keys.begin(), keys.end(), [&](const Key& a, const Key& b) {
        if (a.high != b.high)
            return a.high < b.high;
        if (a.low != b.low)
            return a.low < b.low;
        // string_view compares bytes as unsigned, a prefix first.
        return systems[a.index].address < systems[b.index].address;
    });
    // Each record moves once, along the cycles of the new order, within
    // the table: a second table would be as large again, in fresh pages.
    constexpr std::uint32_t placed = UINT32_MAX;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].index == placed || keys[i].index == i)
            continue;
        const SystemStats held = systems[i];
        std::size_t to = i;
        for (;;) {
            const std::size_t from = keys[to].index;
            keys[to].index = placed;
            if (from == i) {
                systems[to] = held;
                break;
            }
            systems[to] = systems[from];
            to = from;
        }
    }
}
