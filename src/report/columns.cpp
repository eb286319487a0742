// columns.cpp - the numeric columns shared by both tables.
#include "report/columns.h"

#include <limits>

namespace {

constexpr std::int64_t kilo = 1024;
constexpr std::int64_t mega = 1024 * 1024;

// Negative values print as their unsigned 64-bit pattern.
std::uint64_t as_unsigned(std::int64_t v)
{
    return static_cast<std::uint64_t>(v);
}

} // namespace

void print_duration(Writer& out, std::int64_t t)
{
    if (t == 0) {
        out.put(" -:--:-- ");
        return;
    }
    if (t > 0 && t < 100 * 3600) { // the usual case: two columns of hours
        const auto hours = static_cast<unsigned>(t / 3600);
        const auto rest = static_cast<unsigned>(t % 3600);
        if (hours < 10) {
            out.put(' ');
            out.put(static_cast<char>('0' + hours));
        } else {
            out.put_two_digits(hours);
        }
        out.put(':');
        out.put_two_digits(rest / 60);
        out.put(':');
        out.put_two_digits(rest % 60);
        out.put(' ');
        return;
    }
    // Truncating division keeps each piece of a negative time negative.
    out.put_uint(as_unsigned(t / 3600), 2);
    out.put(':');
    out.put_digits(as_unsigned(t % 3600 / 60), 2);
    out.put(':');
    out.put_digits(as_unsigned(t % 3600 % 60), 2);
    out.put(' ');
}

void print_count(Writer& out, std::uint32_t n)
{
    if (n == 0) {
        out.put("  - ");
        return;
    }
    out.put_uint(n, 3);
    out.put(' ');
}

void print_size(Writer& out, std::int64_t v)
{
    if (v >= mega) {
        out.put_uint(as_unsigned(v >> 20), 4);
        out.put("m ");
    } else if (v >= kilo) {
        out.put_uint(as_unsigned(v >> 10), 4);
        out.put("k ");
    } else {
        out.put_uint(as_unsigned(v), 5);
        out.put(' ');
    }
}

void print_rate(Writer& out, std::int64_t v)
{
    // Rates stay unscaled below 100000, not 1024 as sizes do.
    if (v >= mega) {
        out.put_uint(as_unsigned(v >> 20), 4);
        out.put('m');
    } else if (v >= 100000) {
        out.put_uint(as_unsigned(v >> 10), 4);
        out.put('k');
    } else {
        out.put_uint(as_unsigned(v), 5);
    }
}

std::int64_t divide_rate(std::int64_t bytes, std::int64_t seconds)
{
    if (seconds == 0)
        return 0;
    if (seconds == -1)
        return static_cast<std::int64_t>(0 - as_unsigned(bytes));
    return bytes / seconds;
}
