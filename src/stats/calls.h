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

// The calls where only their outcome matters, as they come: how many, how
// many failed, and by address id whether some call of the system was good.
struct CallOutcomes {
    std::uint64_t calls = 0;
    std::uint64_t failed = 0;
    std::vector<std::uint8_t> good;
};

// Adds the outcome of the call s.
inline void add_outcome(CallOutcomes& outcomes, const Session& s)
{
    ++outcomes.calls;
    if (call_failed(s)) {
        ++outcomes.failed;
        return;
    }
    if (s.address >= outcomes.good.size())
        outcomes.good.resize(s.address + 1, 0);
    outcomes.good[s.address] = 1;
}

// A system that called, and whether some call of it was good.
struct CallReach {
    std::string_view address;
    bool good = false;
};

// The outcome of the calls of a period: how many, how many failed, and
// every system that called, in address order.
struct FailedCalls {
    std::uint64_t calls = 0;
    std::uint64_t failed = 0;
    std::vector<CallReach> systems;
};

// The failed calls of a part of a history: the outcomes of its calls, and
// every system whose address table holds, where kept is empty or keeps it
// (by address id), in address order.
FailedCalls failed_calls(const CallOutcomes& outcomes, const SessionTable& table,
                         const std::vector<std::uint8_t>& kept);

// Joins the failed calls of the part that comes next into calls.
void merge_failed_calls(FailedCalls& calls, const FailedCalls& next);

// Adds the call s, whose texts are in table's pools, to its system.
void add_call(CallSums& sums, const SessionTable& table, const Session& s);

// Orders the systems by address, byte by byte, bytes unsigned.
void sort_calls(std::vector<CallStats>& systems);

// Joins the calls of the part of a history that comes next into sums;
// both have their systems in address order.
void merge_calls(CallSums& sums, const CallSums& next);
