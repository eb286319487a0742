// calls.h - the calls of each remote system: how many, how many failed,
// and when the latest and the latest good one were made.
#pragma once

#include "history/session_table.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// The calls of one remote system.
struct CallStats {
    std::string_view address;
    std::uint32_t calls = 0;
    std::uint32_t failed = 0;
    // The greatest start of its calls, of those that did not fail, and of
    // those that failed; between equal starts the later line of the file.
    std::optional<std::int64_t> last_call, last_good, last_failed;
    std::int32_t last_error = 0; // the error number of the latest failed call

    bool operator==(const CallStats&) const = default;
};

// Whether a call failed: it carries an error number, or it lasted no time.
inline bool call_failed(const Session& s)
{
    return s.error != 0 || !is_session(s);
}

// The calls as they come, without keeping them.
struct CallSums {
    std::vector<CallStats> systems; // by address id
    std::uint64_t calls = 0;
    std::uint64_t failed = 0;
};

// Adds the call s, whose texts are in table's pools, to its system.
void add_call(CallSums& sums, const SessionTable& table, const Session& s);

// Orders the systems by address, byte by byte, bytes unsigned.
void sort_calls(std::vector<CallStats>& systems);

// Joins the calls of the part of a history that comes next into sums;
// both have their systems in address order.
void merge_calls(CallSums& sums, const CallSums& next);
