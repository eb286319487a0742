// html.cpp - the report as one self-contained HTML page.
//
// The page needs nothing from elsewhere: its style is inline, its chart an
// inline SVG, and it has no script. Light and dark colours follow the
// reader's preference; printing drops the margins.
#include "report/html.h"

#include "report/columns.h"
#include "report/groups.h"
#include "report/rates.h"
#include "report/shown_text.h"
#include "time/local_time.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

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

// Writes text from the history into the page: '?' for a control or a byte
// that is not UTF-8, entities for the characters that mark up.
void put_text(Writer& out, std::string_view text)
{
    for_each_shown(text, [&](std::string_view piece) {
        std::size_t run = 0;
        for (std::size_t i = 0; i < piece.size(); ++i) {
            const char c = piece[i];
            const char* entity = c == '&'   ? "&amp;"
                                 : c == '<' ? "&lt;"
                                 : c == '>' ? "&gt;"
                                 : c == '"' ? "&quot;"
                                 : c == '\'' ? "&#39;"
                                             : nullptr;
            if (entity == nullptr) {
                ++run;
                continue;
            }
            out.put(piece.substr(i - run, run));
            out.put(std::string_view(entity));
            run = 0;
        }
        out.put(piece.substr(piece.size() - run, run));
    });
}

// A column formatter's text without the blanks around it.
template <class Format, class Value>
void put_column(Writer& out, Format format, Value v)
{
    char text[column_max + 8];
    const char* end = format(text, v);
    std::string_view s(text, static_cast<std::size_t>(end - text));
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    out.put(s);
}

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
void put_period(Writer& out, const HtmlPage& page)
{
    LocalTimeCache clock;
    if (page.whole_file) {
        out.put("the whole file");
    } else if (page.from && page.to) {
        put_local(out, clock, *page.from, true);
        out.put(" to ");
        put_local(out, clock, *page.to, true);
    } else if (page.from) {
        out.put("from ");
        put_local(out, clock, *page.from, true);
    } else if (page.to) {
        out.put("until ");
        put_local(out, clock, *page.to, true);
    }
}

// Bytes as a number for drawing: negative sums, which only a hostile file
// makes, draw as nothing.
double drawn(std::int64_t bytes)
{
    return bytes > 0 ? static_cast<double>(bytes) : 0.0;
}

// A height of the axis in bytes: a bar of two full 64-bit sums stands
// higher than 64 bits count.
std::int64_t bytes_at(double v)
{
    constexpr double top = 9.2e18;
    return v >= top ? std::numeric_limits<std::int64_t>::max() : static_cast<std::int64_t>(v);
}

void put_coordinate(Writer& out, double v)
{
    out.put_int(static_cast<std::int64_t>(std::lround(v * 10)) / 10);
    const auto tenth = static_cast<int>(std::lround(v * 10) % 10);
    if (tenth != 0) {
        out.put('.');
        out.put(static_cast<char>('0' + (tenth < 0 ? -tenth : tenth)));
    }
}

// The chart: a bar for each group, sent and received stacked; an empty
// group a gap. Each bar's exact figures are in its title.
void print_chart(Writer& out, const HtmlPage& page)
{
    const std::vector<Group>& groups = *page.groups;
    constexpr double left = 72, top = 16, plot_w = 872, plot_h = 250;
    double highest = 0;
    for (const Group& g : groups)
        highest = std::max(highest, drawn(g.sums.sent) + drawn(g.sums.received));
    out.put("<h2>Traffic by ");
    out.put(unit_name(page.unit));
    out.put("</h2>\n<svg id=\"chart\" viewBox=\"0 0 960 320\" role=\"img\" aria-label=\"Traffic by ");
    out.put(unit_name(page.unit));
    out.put("\" xmlns=\"http://www.w3.org/2000/svg\">\n");
    // The axis of bytes: four steps up to the highest bar.
    for (int i = 0; i <= 4; ++i) {
        const double y = top + plot_h - plot_h * i / 4;
        out.put("<line class=\"grid\" x1=\"");
        put_coordinate(out, left);
        out.put("\" x2=\"");
        put_coordinate(out, left + plot_w);
        out.put("\" y1=\"");
        put_coordinate(out, y);
        out.put("\" y2=\"");
        put_coordinate(out, y);
        out.put("\"/><text x=\"");
        put_coordinate(out, left - 6);
        out.put("\" y=\"");
        put_coordinate(out, y + 4);
        out.put("\" text-anchor=\"end\">");
        put_column(out, format_size, bytes_at(highest * i / 4));
        out.put("</text>\n");
    }
    out.put("<line class=\"axis\" x1=\"72\" x2=\"72\" y1=\"16\" y2=\"266\"/>\n");
    const double slot = groups.empty() ? plot_w : plot_w / static_cast<double>(groups.size());
    const std::size_t label_every = std::max<std::size_t>(1, (groups.size() + 11) / 12);
    char label[group_label_max];
    for (std::size_t i = 0; i < groups.size(); ++i) {
        const Group& g = groups[i];
        const std::string_view name = group_label(g, page.unit, *page.line_names, label);
        const double x = left + slot * static_cast<double>(i);
        const double sent = highest > 0 ? drawn(g.sums.sent) / highest * plot_h : 0;
        const double received = highest > 0 ? drawn(g.sums.received) / highest * plot_h : 0;
        out.put(g.sums.sessions == 0 ? "<g class=\"bar empty\"><title>" : "<g class=\"bar\"><title>");
        put_text(out, name);
        out.put(": ");
        out.put_int(g.sums.sessions);
        out.put(" sessions, ");
        out.put_int(g.sums.sent);
        out.put(" bytes sent, ");
        out.put_int(g.sums.received);
        out.put(" bytes received</title>");
        if (g.sums.sessions != 0) {
            for (const auto& [part, from, h] : {std::tuple{"sent", 0.0, sent},
                                                 std::tuple{"received", sent, received}}) {
                out.put("<rect class=\"");
                out.put(part);
                out.put("\" x=\"");
                put_coordinate(out, x + slot * 0.1);
                out.put("\" width=\"");
                put_coordinate(out, slot * 0.8);
                out.put("\" y=\"");
                put_coordinate(out, top + plot_h - from - h);
                out.put("\" height=\"");
                put_coordinate(out, h);
                out.put("\"/>");
            }
        }
        out.put("</g>\n");
        if (i % label_every == 0) {
            out.put("<text x=\"");
            put_coordinate(out, x + slot / 2);
            out.put("\" y=\"284\" text-anchor=\"middle\">");
            put_text(out, name);
            out.put("</text>\n");
        }
    }
    out.put("<line class=\"axis\" x1=\"72\" x2=\"944\" y1=\"266\" y2=\"266\"/>\n");
    out.put("<rect class=\"sent\" x=\"72\" y=\"300\" width=\"12\" height=\"12\"/>"
            "<text x=\"90\" y=\"310\">sent</text>"
            "<rect class=\"received\" x=\"140\" y=\"300\" width=\"12\" height=\"12\"/>"
            "<text x=\"158\" y=\"310\">received</text>\n</svg>\n");
}

// The summary's columns as table headings.
constexpr std::string_view sums_heading =
    "<th>Sessions</th><th>Online</th><th>Out</th><th>Out online</th><th>In</th><th>In online</th>"
    "<th>Traffic</th><th>Sent</th><th>Received</th><th>CPS</th></tr></thead>\n";

// The cells of a row of sums.
void put_sums_cells(Writer& out, const Sums& s, std::uint64_t sessions, std::int64_t rate)
{
    put_number_cell(out, static_cast<std::int64_t>(sessions));
    put_duration_cell(out, s.online);
    put_number_cell(out, s.out_sessions);
    put_duration_cell(out, s.out_online);
    put_number_cell(out, s.in_sessions);
    put_duration_cell(out, s.in_online);
    put_size_cell(out, traffic_of(s));
    put_size_cell(out, s.sent);
    put_size_cell(out, s.received);
    out.put("<td>");
    put_column(out, format_rate, rate);
    out.put("</td></tr>\n");
}

void print_systems(Writer& out, const HtmlPage& page)
{
    out.put("<h2>Systems</h2>\n<table id=\"systems\"><thead><tr><th class=\"text\">Address</th>");
    out.put(sums_heading);
    out.put("<tbody>\n");
    SystemTotals totals;
    for (const SystemStats& sys : *page.systems) {
        out.put("<tr><td class=\"text\">");
        put_text(out, sys.address);
        out.put("</td>");
        put_sums_cells(out, sys.sums, sys.sums.sessions, rate_of(sys.sums));
        add_system(totals, sys);
    }
    out.put("</tbody>\n<tfoot><tr><td class=\"text\">Total: ");
    out.put_int(static_cast<std::int64_t>(totals.systems));
    out.put(" systems</td>");
    put_sums_cells(out, totals.sums, page.session_count, totals_rate(totals.sums));
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

void print_calls_table(Writer& out, const HtmlPage& page)
{
    out.put("<h2>Calls</h2>\n<p class=\"meta\">Every line of the period is a call, also one of no "
            "time online; a call failed when it carries an error number or lasted no time. "
            "Systems without a good call are marked.</p>\n"
            "<table id=\"calls\"><thead><tr><th class=\"text\">Address</th><th>Calls</th>"
            "<th>Failed</th><th class=\"text\">Last call</th><th class=\"text\">Last good</th>"
            "<th>Error</th><th class=\"text\">Mark</th></tr></thead>\n<tbody>\n");
    LocalTimeCache clock;
    for (const CallStats& c : page.calls->systems) {
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
    out.put("</tbody>\n<tfoot><tr><td class=\"text\">Total: ");
    out.put_int(static_cast<std::int64_t>(page.calls->systems.size()));
    out.put(" systems</td>");
    put_number_cell(out, static_cast<std::int64_t>(page.calls->calls));
    put_number_cell(out, static_cast<std::int64_t>(page.calls->failed));
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

void print_log(Writer& out, const HtmlPage& page)
{
    out.put("<h2>Sessions</h2>\n");
    if (page.log == nullptr) {
        out.put("<p id=\"log-left-out\">The period holds ");
        out.put_int(static_cast<std::int64_t>(page.session_count));
        out.put(" sessions, more than this page lists; the text report of the same options, "
                "without <code>--html</code>, lists every one.</p>\n");
        return;
    }
    out.put("<table id=\"log\"><thead><tr><th class=\"text\">Start</th>"
            "<th class=\"text\">Address</th><th>Online</th><th class=\"text\">Flags</th>"
            "<th class=\"text\">E</th><th>Traffic</th><th>Sent</th><th>Received</th>"
            "<th>CPS</th></tr></thead>\n<tbody>\n");
    LocalTimeCache clock;
    for (const SessionTable& table : *page.log)
        print_log_rows(out, clock, table);
    out.put("</tbody></table>\n");
}

} // namespace

void print_html(Writer& out, const HtmlPage& page)
{
    out.put("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
            "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>");
    put_text(out, page.line);
    out.put(": traffic, ");
    put_period(out, page);
    out.put("</title>\n");
    out.put(style);
    out.put("</head>\n<body>\n<header>\n<h1>Traffic of ");
    put_text(out, page.line);
    out.put("</h1>\n<p class=\"meta\" id=\"period\">Period: ");
    put_period(out, page);
    out.put("</p>\n<p class=\"meta\">Made ");
    LocalTimeCache clock;
    put_local(out, clock, page.made, true);
    out.put(" by ");
    put_text(out, page.version);
    out.put("</p>\n</header>\n<main>\n");
    print_chart(out, page);
    print_systems(out, page);
    print_calls_table(out, page);
    print_log(out, page);
    out.put("</main>\n</body>\n</html>\n");
}
