// session_log.cpp - the table of single sessions and its count line.
#include "report/session_log.h"

#include "history/numbers.h"
#include "report/columns.h"


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
    out.put(s.error != 0 ? "E " : "  ");
    print_size(out, traffic);
    print_size(out, s.sent);
    print_size(out, s.received);
    print_rate(out, divide_rate(traffic, s.duration));
    out.put('\n');
}

} // namespace

void print_time_of_day(Writer& out, TimeOfDayCache& cache, std::int64_t start)
{
    TimeOfDay tod;
    if (!local_time_of_day(cache, start, tod)) {
        out.put("??:??:?? ");
        return;
    }
    out.put_two_digits(static_cast<unsigned>(tod.hour));
    out.put(':');
    out.put_two_digits(static_cast<unsigned>(tod.minute));
    out.put(':');
    out.put_two_digits(static_cast<unsigned>(tod.second));
    out.put(' ');
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
