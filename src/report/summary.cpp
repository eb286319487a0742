// summary.cpp - the per-system table and its totals line.
#include "report/summary.h"

#include "history/look_ahead.h"
#include "history/numbers.h"
#include "report/columns.h"

namespace {

// Sums over all rows of the summary.
struct ReportTotals {
    std::int64_t online = 0;
    std::int64_t out_online = 0;
    std::int64_t in_online = 0;
    std::int64_t traffic = 0;
    std::int64_t sent = 0;
    std::int64_t received = 0;
    std::uint32_t out_sessions = 0;
    std::uint32_t in_sessions = 0;
};

constexpr std::string_view heading =
    "Address         Ses  Online    O  Out.onl   I  Inc.onl Traff   Out   Inc   CPS\n";
constexpr std::string_view rule =
    "------------------------------------------------------------------------------\n";

// Prints the columns from Online to Inc, shared by rows and the totals line.
void print_middle(Writer& out, const ReportTotals& t)
{
    print_duration(out, t.online);
    print_count(out, t.out_sessions);
    print_duration(out, t.out_online);
    print_count(out, t.in_sessions);
    print_duration(out, t.in_online);
    print_size(out, t.traffic);
    print_size(out, t.sent);
    print_size(out, t.received);
}

// Prints one system's row and adds it into the totals.
void print_row(Writer& out, const SystemStats& sys, ReportTotals& totals)
{
    const ReportTotals row{sys.online,  sys.out_online, sys.in_online,
                           wrapping_add(sys.sent, sys.received),
                           sys.sent,    sys.received,   sys.out_sessions, sys.in_sessions};
    print_address(out, sys.address);
    out.put_uint(sys.sessions, 3);
    out.put(' ');
    print_middle(out, row);
    print_rate(out, divide_rate(row.traffic, row.online));
    out.put('\n');

    totals.online = wrapping_add(totals.online, row.online);
    totals.out_online = wrapping_add(totals.out_online, row.out_online);
    totals.in_online = wrapping_add(totals.in_online, row.in_online);
    totals.traffic = wrapping_add(totals.traffic, row.traffic);
    totals.sent = wrapping_add(totals.sent, row.sent);
    totals.received = wrapping_add(totals.received, row.received);
    totals.out_sessions += row.out_sessions;
    totals.in_sessions += row.in_sessions;
}

} // namespace

void print_summary(Writer& out, const SystemTable& systems, std::uint64_t session_count)
{
    out.put(heading);
    out.put(rule);
    ReportTotals totals;
    // The rows stand in address order, the addresses in order of first
    // appearance: each is fetched a few rows early.
    for_each_ahead<8>(
        systems, [](const SystemStats& sys) { return sys.address.data(); },
        [&](const SystemStats& sys) { print_row(out, sys, totals); });
    out.put(rule);

    out.put("Total: ");
    out.put_uint(systems.size(), 3);
    out.put(" sys. ");
    out.put_uint(session_count, 3);
    out.put(' ');
    print_middle(out, totals);
    // No traffic prints as rate 0 without dividing.
    print_rate(out, totals.traffic == 0 ? 0 : divide_rate(totals.traffic, totals.online));
    out.put("\n\n");
}
