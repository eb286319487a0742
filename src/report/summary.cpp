// summary.cpp - the per-system table and its totals line.
#include "report/summary.h"

#include "history/numbers.h"
#include "report/columns.h"

namespace {

constexpr std::string_view heading =
    "Address         Ses  Online    O  Out.onl   I  Inc.onl Traff   Out   Inc   CPS\n";
constexpr std::string_view rule =
    "------------------------------------------------------------------------------\n";

// Prints the columns from Online to Inc, shared by rows and the totals line.
void print_middle(Writer& out, std::int64_t online, std::uint32_t out_sessions,
                  std::int64_t out_online, std::uint32_t in_sessions,
                  std::int64_t in_online, std::int64_t traffic, std::int64_t sent,
                  std::int64_t received)
{
    print_duration(out, online);
    print_count(out, out_sessions);
    print_duration(out, out_online);
    print_count(out, in_sessions);
    print_duration(out, in_online);
    print_size(out, traffic);
    print_size(out, sent);
    print_size(out, received);
}

// Prints one system's row and adds it into the totals.
void print_row(Writer& out, const SystemStats& sys, ReportTotals& totals)
{
    const std::int64_t traffic = wrapping_add(sys.sent, sys.received);
    out.put_field_left(sys.address, 16);
    out.put_uint(sys.sessions, 3);
    out.put(' ');
    print_middle(out, sys.online, sys.out_sessions, sys.out_online, sys.in_sessions,
                 sys.in_online, traffic, sys.sent, sys.received);
    print_rate(out, divide_rate(traffic, sys.online));
    out.put('\n');

    totals.online = wrapping_add(totals.online, sys.online);
    totals.out_online = wrapping_add(totals.out_online, sys.out_online);
    totals.in_online = wrapping_add(totals.in_online, sys.in_online);
    totals.traffic = wrapping_add(totals.traffic, traffic);
    totals.sent = wrapping_add(totals.sent, sys.sent);
    totals.received = wrapping_add(totals.received, sys.received);
    totals.out_sessions += sys.out_sessions;
    totals.in_sessions += sys.in_sessions;
}

} // namespace

void print_summary(Writer& out, const SystemTable& systems, std::uint64_t session_count)
{
    out.put(heading);
    out.put(rule);
    ReportTotals totals;
    for (const SystemStats& sys : systems)
        print_row(out, sys, totals);
    out.put(rule);

    out.put("Total: ");
    out.put_uint(systems.size(), 3);
    out.put(" sys. ");
    out.put_uint(session_count, 3);
    out.put(' ');
    print_middle(out, totals.online, totals.out_sessions, totals.out_online,
                 totals.in_sessions, totals.in_online, totals.traffic, totals.sent,
                 totals.received);
    // No traffic prints as rate 0 without dividing.
    print_rate(out, totals.traffic == 0 ? 0 : divide_rate(totals.traffic, totals.online));
    out.put("\n\n");
}
