// session_log.cpp - the table of single sessions and its count line.
#include "report/session_log.h"

#include "history/numbers.h"
#include "report/columns.h"

#include <ctime>
#include <limits>

namespace {

constexpr std::string_view heading =
    "Time     Address          Online  LPxE Traff   Out   Inc   CPS\n";
constexpr std::string_view rule =
    "--------------------------------------------------------------\n";

// Prints one session's row.
void print_row(Writer& out, const SessionTable& table, const Session& s)
{
    const std::int64_t traffic = wrapping_add(s.sent, s.received);
    print_time_of_day(out, s.start);
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

void print_time_of_day(Writer& out, std::int64_t start)
{
    if constexpr (sizeof(std::time_t) < sizeof(std::int64_t)) {
        if (start < std::numeric_limits<std::time_t>::min() ||
            start > std::numeric_limits<std::time_t>::max()) {
            out.put("??:??:?? ");
            return;
        }
    }
    const auto t = static_cast<std::time_t>(start);
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr) {
        out.put("??:??:?? ");
        return;
    }
    out.put_digits(static_cast<std::uint64_t>(tm.tm_hour), 2);
    out.put(':');
    out.put_digits(static_cast<std::uint64_t>(tm.tm_min), 2);
    out.put(':');
    out.put_digits(static_cast<std::uint64_t>(tm.tm_sec), 2);
    out.put(' ');
}

void print_session_log(Writer& out, const SessionTable& table, std::string_view version)
{
    out.put(heading);
    out.put(rule);
    for (const Session& s : table.sessions)
        print_row(out, table, s);
    out.put(rule);
    out.put("Total: ");
    out.put_uint(table.sessions.size(), 3);
    out.put(" session                        ");
    out.put_field_right(version, 20);
    out.put('\n');
}
