// session_log.cpp - the table of single sessions and its count line.
#include "report/session_log.h"

#include "report/columns.h"
#include "time/local_time.h"
#include "report/rates.h"

#include <cstring>

namespace {

constexpr std::string_view heading =
    "Time     Address          Online  LPxE Traff   Out   Inc   CPS\n";
constexpr std::string_view full_heading =
    "Date       Time     Address          Online  LPxE Traff   Out   Inc   CPS\n";
constexpr std::string_view rule =
    "--------------------------------------------------------------\n";
constexpr std::string_view full_rule =
    "-------------------------------------------------------------------------\n";

// How the log shows start times, and what it keeps to show them quickly.
struct StartColumn {
    bool full_time = false;
    LocalTimeCache clock;
    std::int64_t day = INT64_MIN; // the day whose date is in date
    char date[date_max] = {};
    std::size_t date_size = 0;
};

// Prints start as local time, "hh:mm:ss " or with full_time
// "YYYY-MM-DD hh:mm:ss ", question marks in place of the digits when the
// host cannot convert it.
void print_start(Writer& out, StartColumn& column, std::int64_t start)
{
    LocalTime t;
    if (!local_time(column.clock, start, t)) {
        out.put(column.full_time ? "\?\?\?\?-\?\?-\?\? ??:??:?? " : "??:??:?? ");
        return;
    }
    char* p = out.room(date_max + 10);
    if (column.full_time) {
        // Most sessions of a day follow one another.
        if (t.day != column.day) {
            column.day = t.day;
            column.date_size = static_cast<std::size_t>(format_date(column.date, t.day) - column.date);
        }
        std::memcpy(p, column.date, column.date_size);
        p += column.date_size;
        *p++ = ' ';
    }
    p = format_clock(p, t.hour, t.minute, t.second);
    *p++ = ' ';
    out.commit(p);
}

// Prints one session's row.
void print_row(Writer& out, StartColumn& start, const SessionTable& table, const Session& s)
{
    print_start(out, start, s.start);
    print_address(out, text_of(table.addresses, s.address));
    print_duration(out, s.duration);
    out.put_field_right(text_of(table.flags, s.flags), 3);
    // The rest of the row at once: the mark, three sizes, the rate.
    char* p = out.room(2 + 4 * column_max + 1);
    *p++ = s.error != 0 ? 'E' : ' ';
    *p++ = ' ';
    p = format_size(p, session_traffic(s));
    p = format_size(p, s.sent);
    p = format_size(p, s.received);
    p = format_rate(p, session_rate(s));
    *p++ = '\n';
    out.commit(p);
}

} // namespace

void print_session_log(Writer& out, const SessionTable& table, std::string_view version,
                       bool full_time)
{
    out.put(full_time ? full_heading : heading);
    out.put(full_time ? full_rule : rule);
    StartColumn start;
    start.full_time = full_time;
    const auto address_of = [&](const Session& s) { return &text_record(table.addresses, s.address); };
    for_each_session(table, address_of, [&](const Session& s) { print_row(out, start, table, s); });
    out.put(full_time ? full_rule : rule);
    out.put("Total: ");
    out.put_uint(table.count, 3);
    // The version ends the line, under the last column either way.
    out.put(full_time ? " session                                   " : " session                        ");
    out.put_field_right(version, 20);
    out.put('\n');
}
