// session_log.cpp - the table of single sessions and its count line.
#include "report/session_log.h"

#include "history/numbers.h"
#include "report/columns.h"

#include <bit>
#include <cstring>

namespace {

constexpr std::string_view heading =
    "Time     Address          Online  LPxE Traff   Out   Inc   CPS\n";
constexpr std::string_view rule =
    "--------------------------------------------------------------\n";

// A text from the pool, right-justified in three columns.
void put_flags(Writer& out, std::string_view text)
{
    const std::size_t n = text.size();
    if (std::endian::native != std::endian::little || out.terminal || n > 3) {
        out.put_field_right(text, 3);
        return;
    }
    // The text and the pool's blanks after it, turned into blanks before it.
    constexpr std::uint32_t blanks[] = {0, 0x20, 0x2020, 0x202020};
    std::uint32_t w;
    std::memcpy(&w, text.data(), 4);
    w = w << (8 * (3 - n)) | blanks[3 - n];
    char* p = out.room(4);
    std::memcpy(p, &w, 4);
    out.commit(p + 3);
}

// Prints one session's row.
void print_row(Writer& out, TimeOfDayCache& clock, const SessionTable& table,
               const Session& s)
{
    const std::int64_t traffic = wrapping_add(s.sent, s.received);
    print_time_of_day(out, clock, s.start);
    print_address(out, table.addresses.texts[s.address]);
    print_duration(out, s.duration);
    put_flags(out, table.flags.texts[s.flags]);
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
    // The address's view first, then the text it points to.
    const auto fetch_view = [&](const Session& next) {
        __builtin_prefetch(&table.addresses.texts[next.address]);
    };
    const auto fetch_text = [&](const Session& next) {
        __builtin_prefetch(table.addresses.texts[next.address].data());
    };
    for_each_session(table, fetch_view, fetch_text,
                     [&](const Session& s) { print_row(out, clock, table, s); });
    out.put(rule);
    out.put("Total: ");
    out.put_uint(table.count, 3);
    out.put(" session                        ");
    out.put_field_right(version, 20);
    out.put('\n');
}
