// session_log.cpp - the table of single sessions and its count line.
#include "report/session_log.h"

#include "history/numbers.h"
#include "report/columns.h"
#include "report/local_time.h"

#include <cstring>

namespace {

constexpr std::string_view heading =
    "Time     Address          Online  LPxE Traff   Out   Inc   CPS\n";
constexpr std::string_view rule =
    "--------------------------------------------------------------\n";

// Prints start as local time of day, "hh:mm:ss ", or "??:??:?? " when the
// host cannot convert it.
void print_time_of_day(Writer& out, LocalTimeCache& clock, std::int64_t start)
{
    LocalTime t;
    if (!local_time(clock, start, t)) {
        out.put("??:??:?? ");
        return;
    }
    char* p = out.room(9);
    std::memcpy(p, digit_pairs + 2 * t.hour, 2);
    p[2] = ':';
    std::memcpy(p + 3, digit_pairs + 2 * t.minute, 2);
    p[5] = ':';
    std::memcpy(p + 6, digit_pairs + 2 * t.second, 2);
    p[8] = ' ';
    out.commit(p + 9);
}

// Prints one session's row.
void print_row(Writer& out, LocalTimeCache& clock, const SessionTable& table, const Session& s)
{
    const std::int64_t traffic = wrapping_add(s.sent, s.received);
    print_time_of_day(out, clock, s.start);
    print_address(out, text_of(table.addresses, s.address));
    print_duration(out, s.duration);
    out.put_field_right(text_of(table.flags, s.flags), 3);
    // The rest of the row at once: the mark, three sizes, the rate.
    char* p = out.room(2 + 4 * column_max + 1);
    *p++ = s.error != 0 ? 'E' : ' ';
    *p++ = ' ';
    p = format_size(p, traffic);
    p = format_size(p, s.sent);
    p = format_size(p, s.received);
    p = format_rate(p, divide_rate(traffic, s.duration));
    *p++ = '\n';
    out.commit(p);
}

} // namespace

void print_session_log(Writer& out, const SessionTable& table, std::string_view version)
{
    out.put(heading);
    out.put(rule);
    LocalTimeCache clock;
    const auto address_of = [&](const Session& s) { return &text_record(table.addresses, s.address); };
    for_each_session(table, address_of, [&](const Session& s) { print_row(out, clock, table, s); });
    out.put(rule);
    out.put("Total: ");
    out.put_uint(table.count, 3);
    out.put(" session                        ");
    out.put_field_right(version, 20);
    out.put('\n');
}
