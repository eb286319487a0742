// metrics.cpp - the counters of each remote system on each line.
#include "stats/metrics.h"

#include "history/numbers.h"
#include "stats/calls.h"
#include "stats/stats.h"

#include <algorithm>
#include <tuple>

namespace {

bool before(const MetricRow& a, const MetricRow& b)
{
    return std::tie(a.line, a.address) < std::tie(b.line, b.address);
}

// The later of two starts; none is earlier than any.
std::optional<std::int64_t> latest(const std::optional<std::int64_t>& a,
                                   const std::optional<std::int64_t>& b)
{
    return !a || (b && *b > *a) ? b : a;
}

} // namespace

void add_metric_row(MetricRow& row, const MetricRow& more)
{
    row.sessions += more.sessions;
    row.online = wrapping_add(row.online, more.online);
    row.sent = wrapping_add(row.sent, more.sent);
    row.received = wrapping_add(row.received, more.received);
    row.calls += more.calls;
    row.failed += more.failed;
    row.last_call = latest(row.last_call, more.last_call);
    row.last_good = latest(row.last_good, more.last_good);
}

void add_to_metrics(MetricSums& sums, const SessionTable& table, const Session& s)
{
    if (s.line >= sums.places.size())
        sums.places.resize(s.line + 1);
    std::vector<std::uint32_t>& by_address = sums.places[s.line];
    if (s.address >= by_address.size())
        by_address.resize(s.address + 1, 0);
    if (by_address[s.address] == 0) {
        MetricRow row;
        row.line = s.line;
        row.address = text_of(table.addresses, s.address);
        sums.rows.push_back(row);
        by_address[s.address] = static_cast<std::uint32_t>(sums.rows.size());
    }
    MetricRow& row = sums.rows[by_address[s.address] - 1];
    MetricRow call;
    call.calls = 1;
    call.last_call = s.start;
    if (is_session(s)) {
        call.sessions = 1;
        call.online = s.duration;
        call.sent = s.sent;
        call.received = s.received;
    }
    if (call_failed(s))
        call.failed = 1;
    else
        call.last_good = s.start;
    add_metric_row(row, call);
}

void order_metrics(MetricSums& sums)
{
    sums.places = {};
    std::sort(sums.rows.begin(), sums.rows.end(), before);
}

void merge_metrics(MetricSums& sums, const MetricSums& next)
{
    merge_sorted(sums.rows, next.rows, before, add_metric_row);
}
