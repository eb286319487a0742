// calls.cpp - the calls of each remote system.
#include "stats/calls.h"

#include "stats/stats.h"

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

void merge_calls(CallSums& sums, const CallSums& next)
{
    // The next part's lines come later: between equal starts, its call is the later one.
    merge_by_address(sums.systems, next.systems, [](CallStats& c, const CallStats& more) {
        c.calls += more.calls;
        c.failed += more.failed;
        if (more.last_call && later(c.last_call, *more.last_call))
            c.last_call = more.last_call;
        if (more.last_good && later(c.last_good, *more.last_good))
            c.last_good = more.last_good;
        if (more.last_failed && later(c.last_failed, *more.last_failed)) {
            c.last_failed = more.last_failed;
            c.last_error = more.last_error;
        }
    });
    sums.calls += next.calls;
    sums.failed += next.failed;
}

FailedCalls failed_calls(const CallOutcomes& outcomes, const SessionTable& table,
                         const std::vector<std::uint8_t>& kept)
{
    FailedCalls calls{outcomes.calls, outcomes.failed, {}};
    for (std::uint32_t id = 0; id < table.addresses.count; ++id)
        if (kept.empty() || (id < kept.size() && kept[id] != 0))
            calls.systems.push_back({text_of(table.addresses, id), id < outcomes.good.size() && outcomes.good[id] != 0});
    std::sort(calls.systems.begin(), calls.systems.end(),
              [](const CallReach& a, const CallReach& b) { return a.address < b.address; });
    return calls;
}

void merge_failed_calls(FailedCalls& calls, const FailedCalls& next)
{
    merge_by_address(calls.systems, next.systems,
                     [](CallReach& c, const CallReach& more) { c.good = c.good || more.good; });
    calls.calls += next.calls;
    calls.failed += next.failed;
}
