// stats.h - the totals of each remote system, and their order.
#pragma once

#include "history/session_table.h"

#include <cstdint>
#include <string_view>
#include <vector>

// The totals of one remote system.
struct SystemStats {
    std::string_view address;
    std::int64_t online = 0;
    std::uint32_t sessions = 0;
    std::int64_t sent = 0;
    std::int64_t received = 0;
    std::uint32_t out_sessions = 0;
    std::uint32_t in_sessions = 0;
    std::int64_t out_online = 0;
    std::int64_t in_online = 0;

    bool operator==(const SystemStats&) const = default;
};

using SystemTable = std::vector<SystemStats>;

// One entry per address of the sessions, in order of first appearance,
// each holding the sums of its sessions.
SystemTable build_system_stats(const SessionTable& sessions);

// Orders the systems by address, byte by byte, bytes unsigned.
void sort_systems(SystemTable& systems);
