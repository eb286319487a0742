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

// Prints one row: a label in the address column, then the sums.
void print_row(Writer& out, std::string_view label, const Sums& sums)
{
    print_address(out, label);
    out.put_uint(sums.sessions, 3);
    out.put(' ');
    print_middle(out, sums);
    print_rate(out, rate_of(sums));
    out.put('\n');
}

} // namespace

void print_sums_heading(Writer& out, std::string_view first_column)
{
    out.put_field_left(first_column, 16);
    out.put(heading.substr(16));
    out.put(rule);
}

void print_sums_row(Writer& out, std::string_view label, const Sums& sums)
{
    print_row(out, label, sums);
}

void print_sums_totals(Writer& out, std::uint64_t rows, std::string_view unit,
                       std::uint64_t session_count, const Sums& totals)
{
    out.put(rule);
    out.put("Total: ");
    out.put_uint(rows, 3);
    out.put(' ');
    out.put(unit);
    out.put(' ');
    out.put_uint(session_count, 3);
    out.put(' ');
    print_middle(out, totals);
    print_rate(out, totals_rate(totals));
    out.put('\n');
}

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
            print_row(out, sys.address, sys.sums);
            add_system(totals, sys);
        });
    print_sums_totals(out, totals.systems, "sys.", session_count, totals.sums);
    if (blank_line_after)
        out.put('\n');
}
