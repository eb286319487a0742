// calls.cpp - the table of calls.
#include "report/calls.h"

#include "report/columns.h"
#include "time/local_time.h"

#include <charconv>

namespace {

constexpr std::string_view heading =
    "Address          Calls  Fail  Last call         Last good              Error\n";
constexpr std::string_view rule =
    "----------------------------------------------------------------------------\n";

// Prints a start as local "YYYY-MM-DD hh:mm", "never" where there is none,
// question marks where the host cannot convert it; 16 columns at least.
void print_when(Writer& out, LocalTimeCache& clock, const std::optional<std::int64_t>& start)
{
    LocalTime t;
    if (!start) {
        out.put("never           ");
        return;
    }
    if (!local_time(clock, *start, t)) {
        out.put("\?\?\?\?-\?\?-\?\? ??:??");
        return;
    }
    char* p = out.room(date_max + 8);
    p = format_date(p, t.day);
    *p++ = ' ';
    p = format_two_digits(p, t.hour);
    *p++ = ':';
    p = format_two_digits(p, t.minute);
    out.commit(p);
}

// Prints one system's row.
void print_row(Writer& out, LocalTimeCache& clock, const CallStats& c)
{
    print_address(out, c.address);
    out.put(' ');
    out.put_uint(c.calls, 5);
    out.put(' ');
    out.put_uint(c.failed, 5);
    out.put("  ");
    print_when(out, clock, c.last_call);
    out.put("  ");
    print_when(out, clock, c.last_good);
    out.put(' ');
    if (!c.last_failed) {
        out.put("          -\n");
        return;
    }
    char digits[16];
    const auto r = std::to_chars(digits, digits + sizeof digits, c.last_error);
    const auto n = static_cast<std::size_t>(r.ptr - digits);
    for (std::size_t i = n; i < 11; ++i)
        out.put(' ');
    out.put(std::string_view(digits, n));
    out.put('\n');
}

// A line of counts: the word, the systems, their calls and failed calls.
void print_counts(Writer& out, std::string_view word, std::uint64_t systems, std::uint64_t calls,
                  std::uint64_t failed)
{
    out.put(word);
    out.put_uint(systems, 3);
    out.put(" sys. ");
    out.put_uint(calls, 5);
    out.put(' ');
    out.put_uint(failed, 5);
    out.put('\n');
}

} // namespace

void print_calls(Writer& out, const CallSums& calls, const std::optional<RowsCut>& cut)
{
    const std::vector<CallStats>& systems = calls.systems;
    std::uint64_t rows = systems.size();
    out.put(heading);
    out.put(rule);
    LocalTimeCache clock;
    for (const CallStats& c : systems)
        print_row(out, clock, c);
    if (cut && cut->rows > 0) {
        print_counts(out, "Others ", cut->rows, cut->calls, cut->failed);
        rows += cut->rows;
    }
    out.put(rule);
    print_counts(out, "Total: ", rows, calls.calls, calls.failed);
}
