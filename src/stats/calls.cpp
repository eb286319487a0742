// calls.cpp - the calls of each remote system.
#include "stats/calls.h"

#include <algorithm>

namespace {

// Whether a call that started at start is later than the latest so far:
// the greater start, or the same start on a later line.
bool later(const std::optional<std::int64_t>& latest, std::int64_t start)
{
    return !latest || start >= *latest;
}

} // namespace

void add_call(CallSums& sums, const SessionTable& table, const Session& s)
{
    // Ids count up in order of first appearance: an address's id is its
    // system's place.
    for (auto id = static_cast<std::uint32_t>(sums.systems.size()); id <= s.address; ++id) {
        CallStats c;
        c.address = text_of(table.addresses, id);
        sums.systems.push_back(c);
    }
    CallStats& c = sums.systems[s.address];
    ++c.calls;
    ++sums.calls;
    if (later(c.last_call, s.start))
        c.last_call = s.start;
    if (!call_failed(s)) {
        if (later(c.last_good, s.start))
            c.last_good = s.start;
        return;
    }
    ++c.failed;
    ++sums.failed;
    if (later(c.last_failed, s.start)) {
        c.last_failed = s.start;
        c.last_error = s.error;
    }
}

void sort_calls(std::vector<CallStats>& systems)
{
    std::sort(systems.begin(), systems.end(),
              [](const CallStats& a, const CallStats& b) { return a.address < b.address; });
}
