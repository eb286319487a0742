// summary.cpp - the per-system table and its totals line.
#include "report/summary.h"

#include "history/look_ahead.h"
#include "report/columns.h"
#include "stats/rates.h"
#include "report/sums_columns.h"

namespace {

constexpr std::string_view heading =
    "Address         Ses  Online    O  Out.onl   I  Inc.onl Traff   Out   Inc   CPS\n";
constexpr std::string_view rule =
    "------------------------------------------------------------------------------\n";

// Prints the columns of a row of sums, each in its text form.
void print_sums_columns(Writer& out, const SumsRow& row)
{
    for (std::size_t i = 0; i < std::size(sums_columns); ++i) {
        const std::int64_t v = column_value(row, i);
        switch (sums_columns[i].kind) {
        case SumsKind::sessions:
            out.put_uint(static_cast<std::uint64_t>(v), 3);
            out.put(' ');
            break;
        case SumsKind::count:
            print_count(out, static_cast<std::uint32_t>(v));
            break;
        case SumsKind::duration:
            print_duration(out, v);
            break;
        case SumsKind::bytes:
            print_size(out, v);
            break;
        case SumsKind::rate:
            print_rate(out, v);
            break;
        }
    }
    out.put('\n');
}

// Prints one row: a label in the address column, then the sums.
void print_row(Writer& out, std::string_view label, const Sums& sums)
{
    print_address(out, label);
    print_sums_columns(out, {sums, sums.sessions, rate_of(sums)});
}

// "Total: " or "Others " and the rows counted in the unit's word, 15
// columns and a blank.
void print_rows_label(Writer& out, std::string_view word, std::uint64_t rows, std::string_view unit)
{
    out.put(word);
    out.put_uint(rows, 3);
    out.put(' ');
    out.put(unit);
    out.put(' ');
}

// The row of the systems cut, where there are any, in the columns of the
// totals line; adds them into rows and totals.
void print_sums_others(Writer& out, const std::optional<RowsCut>& cut, std::string_view unit,
                       std::uint64_t& rows, Sums& totals)
{
    if (!cut || cut->rows == 0)
        return;
    print_rows_label(out, "Others ", cut->rows, unit);
    print_sums_columns(out, {cut->sums, cut->sessions, totals_rate(cut->sums)});
    rows += cut->rows;
    add_sums(totals, cut->sums);
}

// The rule and the totals line: the systems, the sessions, the sums.
void print_sums_totals(Writer& out, std::uint64_t rows, std::string_view unit,
                       std::uint64_t session_count, const Sums& totals)
{
    out.put(rule);
    print_rows_label(out, "Total: ", rows, unit);
    print_sums_columns(out, {totals, session_count, totals_rate(totals)});
}

} // namespace

void print_summary(Writer& out, const SystemTable& systems, std::uint64_t session_count,
                   bool blank_line_after, const std::optional<RowsCut>& cut)
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
    print_sums_others(out, cut, "sys.", totals.systems, totals.sums);
    print_sums_totals(out, totals.systems, "sys.", session_count, totals.sums);
    if (blank_line_after)
        out.put('\n');
}
