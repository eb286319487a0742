// html.cpp - the report as one self-contained HTML page.
//
// The page needs nothing from elsewhere: its style is inline, its chart an
// inline SVG, and it has no script. Light and dark colours follow the
// reader's preference; printing drops the margins.
#include "report/html.h"

#include "report/chart.h"
#include "report/columns.h"
#include "report/page_text.h"
#include "stats/rates.h"
#include "report/sums_columns.h"
#include "time/local_time.h"

namespace {

constexpr std::string_view style = R"(<style>
:root { color-scheme: light dark; --fg: #1d1f21; --bg: #ffffff; --muted: #5f6368;
  --rule: #d0d4d9; --sent: #2f6db5; --received: #e08a2c; --bad: #b3261e; }
@media (prefers-color-scheme: dark) {
  :root { --fg: #e4e6e8; --bg: #17191c; --muted: #a0a4a8; --rule: #3a3e44;
    --sent: #6aa5ea; --received: #f2a54a; --bad: #f28b82; } }
body { font: 14px/1.45 system-ui, sans-serif; color: var(--fg); background: var(--bg);
  margin: 2em auto; max-width: 72em; padding: 0 1em; }
h1 { font-size: 1.5em; margin-bottom: 0.2em; }
h2 { font-size: 1.15em; margin-top: 2em; border-bottom: 1px solid var(--rule); }
p.meta { color: var(--muted); margin: 0.2em 0; }
table { border-collapse: collapse; font-variant-numeric: tabular-nums; }
th, td { padding: 0.15em 0.7em; text-align: right; white-space: nowrap; }
th { border-bottom: 1px solid var(--rule); font-weight: 600; }
th.text, td.text { text-align: left; }
tfoot td { border-top: 1px solid var(--rule); font-weight: 600; }
tr.no-good td { color: var(--bad); }
svg { width: 100%; height: auto; max-width: 60em; }
svg text { fill: var(--fg); font: 11px system-ui, sans-serif; }
svg .axis { stroke: var(--muted); stroke-width: 1; }
svg .grid { stroke: var(--rule); stroke-width: 1; }
svg .sent { fill: var(--sent); }
svg .received { fill: var(--received); }
@media print { body { margin: 0; max-width: none; } h2 { break-after: avoid; }
  tr { break-inside: avoid; } }
</style>
)";

// A cell of bytes: in the table's units, the exact count in its title.
void put_size_cell(Writer& out, std::int64_t bytes)
{
    out.put("<td title=\"");
    out.put_int(bytes);
    out.put(" bytes\">");
    put_column(out, format_size, bytes);
    out.put("</td>");
}

void put_cell(Writer& out, std::string_view text)
{
    out.put("<td>");
    out.put(text);
    out.put("</td>");
}

void put_number_cell(Writer& out, std::int64_t v)
{
    out.put("<td>");
    out.put_int(v);
    out.put("</td>");
}

void put_duration_cell(Writer& out, std::int64_t seconds)
{
    out.put("<td>");
    put_column(out, format_duration, seconds);
    out.put("</td>");
}

// A local time "YYYY-MM-DD hh:mm:ss" and the zone's abbreviation.
void put_local(Writer& out, LocalTimeCache& clock, std::int64_t t, bool zone)
{
    LocalTime l;
    if (!local_time(clock, t, l)) {
        out.put("?");
        return;
    }
    char* p = out.room(date_max + 16);
    p = format_date(p, l.day);
    *p++ = ' ';
    p = format_clock(p, l.hour, l.minute, l.second);
    out.commit(p);
    char name[64];
    const std::string_view abbreviation = zone ? zone_abbreviation(t, name, sizeof name) : "";
    if (!abbreviation.empty()) {
        out.put(' ');
        put_text(out, abbreviation);
    }
}

// The period in words: its local ends, or the whole file.
void put_period(Writer& out, const std::optional<Period>& period)
{
    LocalTimeCache clock;
    if (!period) {
        out.put("the whole file");
    } else if (period->since && period->until) {
        put_local(out, clock, *period->since, true);
        out.put(" to ");
        put_local(out, clock, *period->until, true);
    } else if (period->since) {
        out.put("from ");
        put_local(out, clock, *period->since, true);
    } else if (period->until) {
        out.put("until ");
        put_local(out, clock, *period->until, true);
    }
}

// The summary's columns as table headings, after the first.
void put_sums_heading(Writer& out)
{
    for (const SumsColumn& c : sums_columns) {
        out.put("<th>");
        out.put(c.title);
        out.put("</th>");
    }
    out.put("</tr></thead>\n");
}

// The cells of a row of sums.
void put_sums_cells(Writer& out, const SumsRow& row)
{
    for (std::size_t i = 0; i < std::size(sums_columns); ++i) {
        const std::int64_t v = column_value(row, i);
        switch (sums_columns[i].kind) {
        case SumsKind::sessions:
        case SumsKind::count:
            put_number_cell(out, v);
            break;
        case SumsKind::duration:
            put_duration_cell(out, v);
            break;
        case SumsKind::bytes:
            put_size_cell(out, v);
            break;
        case SumsKind::rate:
            out.put("<td>");
            put_column(out, format_rate, v);
            out.put("</td>");
            break;
        }
    }
    out.put("</tr>\n");
}

// The first cell of the row of the systems that a top count cut.
void put_others_cell(Writer& out, std::uint64_t rows)
{
    out.put("<tr class=\"others\"><td class=\"text\">Others: ");
    out.put_int(static_cast<std::int64_t>(rows));
    out.put(rows == 1 ? " system</td>" : " systems</td>");
}

void print_systems(Writer& out, const Tally& tally)
{
    out.put("<h2>Systems</h2>\n<table id=\"systems\"><thead><tr><th class=\"text\">Address</th>");
    put_sums_heading(out);
    out.put("<tbody>\n");
    SystemTotals totals;
    for (const SystemStats& sys : tally.systems) {
        out.put("<tr><td class=\"text\">");
        put_text(out, sys.address);
        out.put("</td>");
        put_sums_cells(out, {sys.sums, sys.sums.sessions, rate_of(sys.sums)});
        add_system(totals, sys);
    }
    if (const auto& cut = tally.systems_cut; cut && cut->rows > 0) {
        put_others_cell(out, cut->rows);
        put_sums_cells(out, {cut->sums, cut->sessions, totals_rate(cut->sums)});
        totals.systems += cut->rows;
        add_sums(totals.sums, cut->sums);
    }
    out.put("</tbody>\n<tfoot><tr><td class=\"text\">Total: ");
    out.put_int(static_cast<std::int64_t>(totals.systems));
    out.put(" systems</td>");
    put_sums_cells(out, {totals.sums, tally.session_count, totals_rate(totals.sums)});
    out.put("</tfoot></table>\n");
}

void put_call_time(Writer& out, LocalTimeCache& clock, const std::optional<std::int64_t>& t)
{
    out.put("<td class=\"text\">");
    if (t)
        put_local(out, clock, *t, false);
    else
        out.put("never");
    out.put("</td>");
}

void print_calls_table(Writer& out, const CallSums& calls, const std::optional<RowsCut>& cut)
{
    out.put("<h2>Calls</h2>\n<p class=\"meta\">Every line of the period is a call, also one of no "
            "time online; a call failed when it carries an error number or lasted no time. "
            "Systems without a good call are marked.</p>\n"
            "<table id=\"calls\"><thead><tr><th class=\"text\">Address</th><th>Calls</th>"
            "<th>Failed</th><th class=\"text\">Last call</th><th class=\"text\">Last good</th>"
            "<th>Error</th><th class=\"text\">Mark</th></tr></thead>\n<tbody>\n");
    LocalTimeCache clock;
    for (const CallStats& c : calls.systems) {
        const bool no_good = !c.last_good;
        out.put(no_good ? "<tr class=\"no-good\"><td class=\"text\">" : "<tr><td class=\"text\">");
        put_text(out, c.address);
        out.put("</td>");
        put_number_cell(out, c.calls);
        put_number_cell(out, c.failed);
        put_call_time(out, clock, c.last_call);
        put_call_time(out, clock, c.last_good);
        if (c.last_failed)
            put_number_cell(out, c.last_error);
        else
            put_cell(out, "-");
        out.put(no_good ? "<td class=\"text\">no good call</td></tr>\n" : "<td></td></tr>\n");
    }
    std::uint64_t rows = calls.systems.size();
    if (cut && cut->rows > 0) {
        put_others_cell(out, cut->rows);
        put_number_cell(out, static_cast<std::int64_t>(cut->calls));
        put_number_cell(out, static_cast<std::int64_t>(cut->failed));
        out.put("<td></td><td></td><td></td><td></td></tr>\n");
        rows += cut->rows;
    }
    out.put("</tbody>\n<tfoot><tr><td class=\"text\">Total: ");
    out.put_int(static_cast<std::int64_t>(rows));
    out.put(" systems</td>");
    put_number_cell(out, static_cast<std::int64_t>(calls.calls));
    put_number_cell(out, static_cast<std::int64_t>(calls.failed));
    out.put("<td></td><td></td><td></td><td></td></tr></tfoot></table>\n");
}

// Prints a row of the log for each session of table.
void print_log_rows(Writer& out, LocalTimeCache& clock, const SessionTable& table)
{
    SessionCursor cursor;
    for (Session s; next_session(table, cursor, s);) {
        out.put("<tr><td class=\"text\">");
        put_local(out, clock, s.start, false);
        out.put("</td><td class=\"text\">");
        put_text(out, text_of(table.addresses, s.address));
        out.put("</td>");
        put_duration_cell(out, s.duration);
        out.put("<td class=\"text\">");
        put_text(out, text_of(table.flags, s.flags));
        out.put(s.error != 0 ? "</td><td class=\"text\">E</td>" : "</td><td class=\"text\"></td>");
        put_size_cell(out, session_traffic(s));
        put_size_cell(out, s.sent);
        put_size_cell(out, s.received);
        out.put("<td>");
        put_column(out, format_rate, session_rate(s));
        out.put("</td></tr>\n");
    }
}

void print_log(Writer& out, const Tally& tally, const SessionTables& tables)
{
    out.put("<h2>Sessions</h2>\n");
    if (!tally.log_kept) {
        out.put("<p id=\"log-left-out\">The period holds ");
        out.put_int(static_cast<std::int64_t>(tally.session_count));
        out.put(" sessions, more than this page lists; the text report of the same options, "
                "without <code>--html</code>, lists every one.</p>\n");
        return;
    }
    out.put("<table id=\"log\"><thead><tr><th class=\"text\">Start</th>"
            "<th class=\"text\">Address</th><th>Online</th><th class=\"text\">Flags</th>"
            "<th class=\"text\">E</th><th>Traffic</th><th>Sent</th><th>Received</th>"
            "<th>CPS</th></tr></thead>\n<tbody>\n");
    LocalTimeCache clock;
    for (const SessionTable& table : tables)
        print_log_rows(out, clock, table);
    out.put("</tbody></table>\n");
}

// The address patterns the page is limited to, where there are any.
void put_addresses(Writer& out, const std::vector<std::string_view>* patterns)
{
    if (patterns == nullptr || patterns->empty())
        return;
    out.put("<p class=\"meta\" id=\"addresses\">Addresses: ");
    for (std::size_t i = 0; i < patterns->size(); ++i) {
        if (i > 0)
            out.put(", ");
        out.put("<code>");
        put_text(out, (*patterns)[i]);
        out.put("</code>");
    }
    out.put("</p>\n");
}

} // namespace

void print_html(Writer& out, const ReportHead& head, const Tally& tally, const SessionTables& tables)
{
    out.put("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
            "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>");
    put_text(out, head.line);
    out.put(": traffic, ");
    put_period(out, head.period);
    out.put("</title>\n");
    out.put(style);
    out.put("</head>\n<body>\n<header>\n<h1>Traffic of ");
    put_text(out, head.line);
    out.put("</h1>\n");
    put_addresses(out, head.addresses);
    out.put("<p class=\"meta\" id=\"period\">Period: ");
    put_period(out, head.period);
    out.put("</p>\n<p class=\"meta\">Made ");
    LocalTimeCache clock;
    put_local(out, clock, head.made, true);
    out.put(" by ");
    put_text(out, head.version);
    out.put("</p>\n</header>\n<main>\n");
    print_chart(out, tally.groups, tally.unit, *head.line_names);
    print_busiest_chart(out, tally.busiest);
    print_systems(out, tally);
    print_calls_table(out, tally.calls, tally.calls_cut);
    print_log(out, tally, tables);
    out.put("</main>\n</body>\n</html>\n");
}
