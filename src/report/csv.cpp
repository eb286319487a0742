// csv.cpp - the rows of a view as one CSV table.
#include "report/csv.h"

#include "report/columns.h"
#include "report/groups.h"
#include "report/sums_columns.h"
#include "stats/rates.h"
#include "time/local_time.h"

namespace {

constexpr std::string_view session_header =
    "line,start,time,address,online,flags,error,error_number,traffic,sent,received,cps\n";
constexpr std::string_view calls_header =
    "address,calls,failed,last_call,last_good,last_failed,last_error\n";

// Whether a spreadsheet would take a field that begins so for a formula.
bool looks_like_formula(std::string_view text)
{
    return !text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos;
}

// A field: quoted where it holds a comma, a double quote or a line end,
// its quotes doubled. A text from the history (guarded) that looks like a
// formula is quoted, a "'" before it.
void put_field(Writer& out, std::string_view text, bool guarded)
{
    const bool formula = guarded && looks_like_formula(text);
    if (!formula && text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out.put(text);
        return;
    }
    out.put(formula ? "\"'" : "\"");
    for (std::size_t from = 0;;) {
        const std::size_t quote = text.find('"', from);
        out.put(text.substr(from, quote - from));
        if (quote == std::string_view::npos)
            break;
        out.put("\"\"");
        from = quote + 1;
    }
    out.put('"');
}

// ",": what comes before every field but the first of a record.
void next_field(Writer& out)
{
    out.put(',');
}

// The local time of start with its offset, as the JSON report gives it;
// nothing where the host cannot convert it, or where there is none.
void put_time(Writer& out, LocalTimeCache& clock, const std::optional<std::int64_t>& start)
{
    LocalTime t;
    if (!start || !local_time(clock, *start, t))
        return;
    out.commit(format_instant(out.room(instant_max), t.day, t.hour, t.minute, t.second, t.utc_offset));
}

// The ten sums of a row, each after a comma.
void put_sums(Writer& out, const SumsRow& row)
{
    for (std::size_t i = 0; i < std::size(sums_columns); ++i) {
        next_field(out);
        if (sums_columns[i].kind == SumsKind::sessions)
            out.put_uint(row.sessions, 1);
        else
            out.put_int(column_value(row, i));
    }
    out.put('\n');
}

void put_sums_header(Writer& out, std::string_view first)
{
    out.put(first);
    for (const SumsColumn& c : sums_columns) {
        next_field(out);
        out.put(c.name);
    }
    out.put('\n');
}

void print_sessions(Writer& out, const ReportHead& head, const SessionTables& tables)
{
    out.put(session_header);
    LocalTimeCache clock;
    for (const SessionTable& table : tables) {
        SessionCursor cursor;
        for (Session s; next_session(table, cursor, s);) {
            put_field(out, (*head.line_names)[s.line], true);
            next_field(out);
            out.put_int(s.start);
            next_field(out);
            put_time(out, clock, s.start);
            next_field(out);
            put_field(out, text_of(table.addresses, s.address), true);
            next_field(out);
            out.put_int(s.duration);
            next_field(out);
            put_field(out, text_of(table.flags, s.flags), true);
            out.put(s.error != 0 ? ",true," : ",false,");
            out.put_int(s.error);
            next_field(out);
            out.put_int(session_traffic(s));
            next_field(out);
            out.put_int(s.sent);
            next_field(out);
            out.put_int(s.received);
            next_field(out);
            out.put_int(session_rate(s));
            out.put('\n');
        }
    }
}

void print_systems(Writer& out, const Tally& tally)
{
    put_sums_header(out, "address");
    for (const SystemStats& sys : tally.systems) {
        put_field(out, sys.address, true);
        put_sums(out, {sys.sums, sys.sums.sessions, rate_of(sys.sums)});
    }
}

void print_groups(Writer& out, const ReportHead& head, const Tally& tally)
{
    put_sums_header(out, "group,from,to");
    char label[group_label_max];
    for (const Group& g : tally.groups) {
        // A line's name comes from the history; a span of time does not.
        put_field(out, group_label(g, tally.unit, *head.line_names, label), tally.unit == GroupUnit::line);
        next_field(out);
        if (g.from)
            out.put_int(*g.from);
        next_field(out);
        if (g.to)
            out.put_int(*g.to);
        put_sums(out, {g.sums, g.sums.sessions, rate_of(g.sums)});
    }
}

void print_calls(Writer& out, const Tally& tally)
{
    out.put(calls_header);
    LocalTimeCache clock;
    for (const CallStats& c : tally.calls.systems) {
        put_field(out, c.address, true);
        next_field(out);
        out.put_uint(c.calls, 1);
        next_field(out);
        out.put_uint(c.failed, 1);
        for (const auto* start : {&c.last_call, &c.last_good, &c.last_failed}) {
            next_field(out);
            put_time(out, clock, *start);
        }
        next_field(out);
        if (c.last_failed)
            out.put_int(c.last_error);
        out.put('\n');
    }
}

} // namespace

void print_csv(Writer& out, View view, const ReportHead& head, const Tally& tally,
               const SessionTables& tables)
{
    switch (view) {
    case View::report:
        print_sessions(out, head, tables);
        break;
    case View::groups:
        print_groups(out, head, tally);
        break;
    case View::calls:
        print_calls(out, tally);
        break;
    case View::summary:
    case View::page:
    case View::metrics:
        print_systems(out, tally);
        break;
    }
}
