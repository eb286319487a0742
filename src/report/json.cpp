// json.cpp - the report as one JSON document, for scripts.
#include "report/json.h"

#include "report/columns.h"
#include "report/groups.h"
#include "time/local_time.h"
#include "stats/rates.h"
#include "report/sums_columns.h"

#include <cstring>

namespace {

// A text as a JSON string, byte by byte: printable ASCII as it stands but
// for the quote and the backslash, every other byte as \u00xx, so that the
// document is plain ASCII and every byte can be had back.
void put_string(Writer& out, std::string_view text)
{
    out.put('"');
    std::size_t run = 0; // bytes before i that go out as they stand
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') {
            ++run;
            continue;
        }
        out.put(text.substr(i - run, run));
        run = 0;
        if (c == '"' || c == '\\') {
            const char escaped[2] = {'\\', static_cast<char>(c)};
            out.put(std::string_view(escaped, 2));
        } else {
            const char escaped[6] = {'\\', 'u', '0', '0', "0123456789abcdef"[c >> 4],
                                     "0123456789abcdef"[c & 15]};
            out.put(std::string_view(escaped, 6));
        }
    }
    out.put(text.substr(text.size() - run, run));
    out.put('"');
}

// ", "name": " before a member's value.
void put_key(Writer& out, std::string_view key)
{
    out.put(", \"");
    out.put(key);
    out.put("\": ");
}

// The members from sessions to cps, shared by the rows and the totals.
void put_sums(Writer& out, const SumsRow& row)
{
    for (std::size_t i = 0; i < std::size(sums_columns); ++i) {
        put_key(out, sums_columns[i].name);
        if (sums_columns[i].kind == SumsKind::sessions)
            out.put_uint(row.sessions, 1);
        else
            out.put_int(column_value(row, i));
    }
}

// "],\n", the member "others" where a top count was given: null where it
// cut nothing, else the count of the rows cut, named count, and their sums
// (with sums) or their calls; then "totals" up to its first member's
// value. Adds the rows cut into rows and totals.
void put_others_and_totals(Writer& out, const std::optional<RowsCut>& cut, std::string_view count,
                           bool sums, std::uint64_t& rows, Sums& totals)
{
    out.put("],\n");
    if (cut) {
        out.put("\"others\": ");
        if (cut->rows == 0) {
            out.put("null");
        } else {
            out.put("{\"");
            out.put(count);
            out.put("\": ");
            out.put_uint(cut->rows, 1);
            if (sums) {
                put_sums(out, {cut->sums, cut->sessions, totals_rate(cut->sums)});
            } else {
                put_key(out, "calls");
                out.put_uint(cut->calls, 1);
                put_key(out, "failed");
                out.put_uint(cut->failed, 1);
            }
            out.put('}');
            rows += cut->rows;
            add_sums(totals, cut->sums);
        }
        out.put(",\n");
    }
    out.put("\"totals\": {\"");
    out.put(count);
    out.put("\": ");
}

// A bound of the window, or null where it is open.
void put_bound(Writer& out, const std::optional<std::int64_t>& bound)
{
    if (bound)
        out.put_int(*bound);
    else
        out.put("null");
}

// The local time of start with its offset from UTC, "YYYY-MM-DDThh:mm:ss"
// and "+hh:mm", the offset's seconds added where it has them; null where the
// host cannot convert start.
void put_local_time(Writer& out, LocalTimeCache& clock, std::int64_t start)
{
    LocalTime t;
    if (!local_time(clock, start, t)) {
        out.put("null");
        return;
    }
    char* p = out.room(instant_max + 2);
    *p++ = '"';
    p = format_instant(p, t.day, t.hour, t.minute, t.second, t.utc_offset);
    *p++ = '"';
    out.commit(p);
}

void put_session(Writer& out, LocalTimeCache& clock, const ReportHead& head,
                 const SessionTable& table, const Session& s)
{
    out.put("{\"line\": ");
    put_string(out, (*head.line_names)[s.line]);
    put_key(out, "start");
    out.put_int(s.start);
    put_key(out, "time");
    put_local_time(out, clock, s.start);
    put_key(out, "address");
    put_string(out, text_of(table.addresses, s.address));
    put_key(out, "online");
    out.put_int(s.duration);
    put_key(out, "flags");
    put_string(out, text_of(table.flags, s.flags));
    put_key(out, "error");
    out.put(s.error != 0 ? "true" : "false");
    put_key(out, "error_number");
    out.put_int(s.error);
    put_key(out, "traffic");
    out.put_int(session_traffic(s));
    put_key(out, "sent");
    out.put_int(s.sent);
    put_key(out, "received");
    out.put_int(s.received);
    put_key(out, "cps");
    out.put_int(session_rate(s));
    out.put('}');
}

// The members before the tables: the version, the line and the window.
void put_head(Writer& out, const ReportHead& head)
{
    out.put("{\"version\": ");
    put_string(out, head.version);
    put_key(out, "line");
    put_string(out, head.line);
    if (head.addresses != nullptr && !head.addresses->empty()) {
        put_key(out, "addresses");
        for (std::size_t i = 0; i < head.addresses->size(); ++i) {
            out.put(i == 0 ? "[" : ", ");
            put_string(out, (*head.addresses)[i]);
        }
        out.put(']');
    }
    put_key(out, "window");
    out.put("{\"from\": ");
    put_bound(out, head.period ? head.period->since : std::nullopt);
    out.put(", \"to\": ");
    put_bound(out, head.period ? head.period->until : std::nullopt);
    out.put("},\n");
}

// The member after the tables, and the end of the document.
void put_tail(Writer& out, const ReportHead& head)
{
    out.put("\"skipped\": ");
    out.put_uint(head.skipped, 1);
    out.put("}\n");
}

// A start "{"start": N, "time": "..."}", or null for none.
void put_start(Writer& out, LocalTimeCache& clock, const std::optional<std::int64_t>& start)
{
    if (!start) {
        out.put("null");
        return;
    }
    out.put("{\"start\": ");
    out.put_int(*start);
    out.put(", \"time\": ");
    put_local_time(out, clock, *start);
    out.put('}');
}

} // namespace

void print_json(Writer& out, const ReportHead& head, const SystemTable& systems,
                std::uint64_t session_count, const SessionTables* sessions,
                const std::optional<RowsCut>& cut)
{
    put_head(out, head);
    out.put("\"systems\": [\n");
    SystemTotals totals;
    for (std::size_t i = 0; i < systems.size(); ++i) {
        const SystemStats& sys = systems[i];
        add_system(totals, sys);
        out.put("{\"address\": ");
        put_string(out, sys.address);
        put_sums(out, {sys.sums, sys.sums.sessions, rate_of(sys.sums)});
        out.put(i + 1 < systems.size() ? "},\n" : "}\n");
    }
    put_others_and_totals(out, cut, "systems", true, totals.systems, totals.sums);
    out.put_uint(totals.systems, 1);
    put_sums(out, {totals.sums, session_count, totals_rate(totals.sums)});
    out.put("},\n");
    if (sessions != nullptr) {
        out.put("\"sessions\": [\n");
        LocalTimeCache clock;
        std::uint64_t left = session_count; // the log holds every session counted
        for (const SessionTable& table : *sessions) {
            const auto address_of = [&](const Session& s) { return &text_record(table.addresses, s.address); };
            for_each_session(table, address_of, [&](const Session& s) {
                put_session(out, clock, head, table, s);
                out.put(--left > 0 ? ",\n" : "\n");
            });
        }
        out.put("],\n");
    }
    put_tail(out, head);
}

void print_json_groups(Writer& out, const ReportHead& head, const std::vector<Group>& rows,
                       GroupUnit unit, std::uint64_t session_count, const std::optional<RowsCut>& cut)
{
    put_head(out, head);
    out.put("\"groups\": [\n");
    Sums totals;
    char label[group_label_max];
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Group& g = rows[i];
        add_sums(totals, g.sums);
        out.put("{\"group\": ");
        put_string(out, group_label(g, unit, *head.line_names, label));
        put_key(out, "from");
        put_bound(out, g.from);
        put_key(out, "to");
        put_bound(out, g.to);
        put_sums(out, {g.sums, g.sums.sessions, rate_of(g.sums)});
        out.put(i + 1 < rows.size() ? "},\n" : "}\n");
    }
    std::uint64_t count = rows.size();
    put_others_and_totals(out, cut, "groups", true, count, totals);
    out.put_uint(count, 1);
    put_sums(out, {totals, session_count, totals_rate(totals)});
    out.put("},\n");
    put_tail(out, head);
}

void print_json_calls(Writer& out, const ReportHead& head, const CallSums& calls,
                      const std::optional<RowsCut>& cut)
{
    const std::vector<CallStats>& systems = calls.systems;
    put_head(out, head);
    out.put("\"calls\": [\n");
    LocalTimeCache clock;
    for (std::size_t i = 0; i < systems.size(); ++i) {
        const CallStats& c = systems[i];
        out.put("{\"address\": ");
        put_string(out, c.address);
        put_key(out, "calls");
        out.put_uint(c.calls, 1);
        put_key(out, "failed");
        out.put_uint(c.failed, 1);
        put_key(out, "last_call");
        put_start(out, clock, c.last_call);
        put_key(out, "last_good");
        put_start(out, clock, c.last_good);
        put_key(out, "last_failed");
        put_start(out, clock, c.last_failed);
        put_key(out, "last_error");
        if (c.last_failed)
            out.put_int(c.last_error);
        else
            out.put("null");
        out.put(i + 1 < systems.size() ? "},\n" : "}\n");
    }
    std::uint64_t count = systems.size();
    Sums no_sums;
    put_others_and_totals(out, cut, "systems", false, count, no_sums);
    out.put_uint(count, 1);
    put_key(out, "calls");
    out.put_uint(calls.calls, 1);
    put_key(out, "failed");
    out.put_uint(calls.failed, 1);
    out.put("},\n");
    put_tail(out, head);
}
