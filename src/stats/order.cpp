// order.cpp - the rows of a table in the order a key asks for, and the
// rows past a top count summed into one.
#include "stats/order.h"

#include "stats/rates.h"

#include <algorithm>

namespace {

// The figure of sums that key orders by, largest first.
std::int64_t figure_of(const Sums& sums, SortKey key)
{
    switch (key) {
    case SortKey::sessions:
        return sums.sessions;
    case SortKey::online:
        return sums.online;
    case SortKey::traffic:
        return traffic_of(sums);
    case SortKey::sent:
        return sums.sent;
    case SortKey::received:
        return sums.received;
    case SortKey::cps:
        return rate_of(sums);
    default:
        return 0;
    }
}

// Orders rows by the figure of their sums, largest first, keeping the
// order of equals; the figures are worked out once.
template <class Row, class SumsOf>
void order_by_sums(std::vector<Row>& rows, SortKey key, SumsOf sums_of)
{
    std::vector<std::pair<std::int64_t, std::size_t>> figures;
    figures.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        figures.emplace_back(figure_of(sums_of(rows[i]), key), i);
    std::stable_sort(figures.begin(), figures.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<Row> ordered;
    ordered.reserve(rows.size());
    for (const auto& f : figures)
        ordered.push_back(std::move(rows[f.second]));
    rows = std::move(ordered);
}

// Whether start a is later than b; none is earlier than any.
bool later(const std::optional<std::int64_t>& a, const std::optional<std::int64_t>& b)
{
    return a && (!b || *a > *b);
}

// Keeps the first top rows and sums the rest of them into the cut.
template <class Row, class SumsOf>
RowsCut cut_sums(std::vector<Row>& rows, std::uint64_t top, SumsOf sums_of)
{
    RowsCut cut;
    for (std::size_t i = top; i < rows.size(); ++i) {
        add_sums(cut.sums, sums_of(rows[i]));
        cut.sessions += sums_of(rows[i]).sessions;
        ++cut.rows;
    }
    if (rows.size() > top)
        rows.resize(top);
    return cut;
}

// Whether a table of systems or groups has a column for key.
bool orders_systems(SortKey key)
{
    return key != SortKey::calls && key != SortKey::failed && key != SortKey::last_call &&
           key != SortKey::last_good;
}

} // namespace

void order_systems(SystemTable& systems, SortKey key)
{
    if (key != SortKey::own && orders_systems(key))
        order_by_sums(systems, key, [](const SystemStats& s) -> const Sums& { return s.sums; });
}

void order_groups(std::vector<Group>& groups, SortKey key)
{
    if (key != SortKey::own && orders_systems(key))
        order_by_sums(groups, key, [](const Group& g) -> const Sums& { return g.sums; });
}

void order_calls(std::vector<CallStats>& calls, SortKey key)
{
    const auto by = [&](auto before) { std::stable_sort(calls.begin(), calls.end(), before); };
    switch (key) {
    case SortKey::calls:
        by([](const CallStats& a, const CallStats& b) { return a.calls > b.calls; });
        break;
    case SortKey::failed:
        by([](const CallStats& a, const CallStats& b) { return a.failed > b.failed; });
        break;
    case SortKey::last_call:
        by([](const CallStats& a, const CallStats& b) { return later(a.last_call, b.last_call); });
        break;
    case SortKey::last_good:
        by([](const CallStats& a, const CallStats& b) { return later(a.last_good, b.last_good); });
        break;
    default:
        break;
    }
}

RowsCut cut_systems(SystemTable& systems, std::uint64_t top)
{
    return cut_sums(systems, top, [](const SystemStats& s) -> const Sums& { return s.sums; });
}

RowsCut cut_groups(std::vector<Group>& groups, std::uint64_t top)
{
    return cut_sums(groups, top, [](const Group& g) -> const Sums& { return g.sums; });
}

RowsCut cut_calls(std::vector<CallStats>& calls, std::uint64_t top)
{
    RowsCut cut;
    for (std::size_t i = top; i < calls.size(); ++i) {
        cut.calls += calls[i].calls;
        cut.failed += calls[i].failed;
        ++cut.rows;
    }
    if (calls.size() > top)
        calls.resize(top);
    return cut;
}

SystemTable busiest_systems(const SystemTable& systems, std::size_t n)
{
    SystemTable busiest = systems;
    order_systems(busiest, SortKey::traffic);
    if (busiest.size() > n)
        busiest.resize(n);
    return busiest;
}
