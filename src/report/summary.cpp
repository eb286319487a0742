// summary.cpp - the per-system table and its totals line.
#include "report/summary.h"

#include "history/look_ahead.h"
#include "report/columns.h"
#include "report/rates.h"

namespace {

constexpr std::string_view heading =
    "Address         Ses  Online    O  Out.onl   I  Inc.onl Traff   Out   Inc   CPS\n";
constexpr std::string_view rule =
    "------------------------------------------------------------------------------\n";

// Prints the columns from Online to Inc, shared by rows and the totals line.
void print_middle(Writer& out, const Sums& t)
{
    print_duration(out, t.online);
    print_count(out, t.out_sessions);
    print_duration(out, t.out_online);
    print_count(out, t.in_sessions);
    print_duration(out, t.in_online);
    print_size(out, traffic_of(t));
    print_size(out, t.sent);
    print_size(out, t.received);
}

// Prints one system's row: the totals of that system alone.
void print_row(Writer& out, const SystemStats& sys)
{
    print_address(out, sys.address);
    out.put_uint(sys.sums.sessions, 3);
    out.put(' ');
    print_middle(out, sys.sums);
    print_rate(out, system_rate(sys));
    out.put('\n');
}

} // namespace

void print_summary(Writer& out, const SystemTable& systems, std::uint64_t session_count,
                   bool blank_line_after)
{
    out.put(heading);
    out.put(rule);
    SystemTotals totals;
    // The rows stand in address order, the addresses in order of first
    // appearance: each is fetched a few rows early.
    for_each_ahead<8>(
        systems, [](const SystemStats& sys) { return sys.address.data(); },
        [&](const SystemStats& sys) {
            print_row(out, sys);
            add_system(totals, sys);
        });
    out.put(rule);

    out.put("Total: ");
    out.put_uint(totals.systems, 3);
    out.put(" sys. ");
    out.put_uint(session_count, 3);
    out.put(' ');
    print_middle(out, totals.sums);
    print_rate(out, totals_rate(totals));
    out.put(blank_line_after ? "\n\n" : "\n");
}
