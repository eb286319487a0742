// session_log.cpp - the table of single sessions and its count line.
#include "report/session_log.h"

#include "history/numbers.h"
#include "report/columns.h"

#include <cstring>

namespace {

constexpr std::string_view heading =
    "Time     Address          Online  LPxE Traff   Out   Inc   CPS\n";
constexpr std::string_view rule =
    "--------------------------------------------------------------\n";

// Prints one session's row.
void print_row(Writer& out, TimeOfDayCache& clock, const SessionTable& table,
               const Session& s)
{
    const std::int64_t traffic = wrapping_add(s.sent, s.received);
    print_time_of_day(out, clock, s.start);
    out.put_field_left(table.addresses.texts[s.address], 16);
    print_duration(out, s.duration);
    out.put_field_right(table.flags.texts[s.flags], 3);
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

void print_time_of_day(Writer& out, TimeOfDayCache& cache, std::int64_t start)
{
    TimeOfDay tod;
    if (!local_time_of_day(cache, start, tod)) {
        out.put("??:??:?? ");
        return;
    }
    char* p = out.room(9);
    std::memcpy(p, digit_pairs + 2 * tod.hour, 2);
    p[2] = ':';
    std::memcpy(p + 3, digit_pairs + 2 * tod.minute, 2);
    p[5] = ':';
    std::memcpy(p + 6, digit_pairs + 2 * tod.second, 2);
    p[8] = ' ';
    out.commit(p + 9);
}

void print_session_log(Writer& out, const SessionTable& table, std::string_view version)
{
    out.put(heading);
    out.put(rule);
    TimeOfDayCache clock;
    const auto fetch = [&](const Session& next) {
        __builtin_prefetch(table.addresses.texts[next.address].data());
    };
    for_each_session(table, fetch, [&](const Session& s) { print_row(out, clock, table, s); });
    out.put(rule);
    out.put("Total: ");
    out.put_uint(table.count, 3);
    out.put(" session                        ");
    out.put_field_right(version, 20);
    out.put('\n');
}
