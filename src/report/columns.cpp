// columns.cpp - the numeric columns of the text tables.
#include "report/columns.h"

#include "time/local_time.h"

#include <cstring>

namespace {

constexpr std::int64_t kilo = 1024;
constexpr std::int64_t mega = 1024 * 1024;

// Negative values print as their unsigned 64-bit pattern.
std::uint64_t as_unsigned(std::int64_t v)
{
    return static_cast<std::uint64_t>(v);
}

char* put_text(char* p, const char* text, std::size_t n)
{
    std::memcpy(p, text, n);
    return p + n;
}

char* put_two_digits(char* p, unsigned value)
{
    return put_text(p, digit_pairs + 2 * value, 2);
}

// The numbers below 1024 right-justified in five columns, then three
// blanks: most sizes and rates print as one copy from here.
constexpr std::size_t small_limit = 1024;
struct SmallNumbers {
    char text[small_limit][8];
};

constexpr SmallNumbers make_small_numbers()
{
    SmallNumbers t{};
    for (std::size_t v = 0; v < small_limit; ++v) {
        std::size_t n = v;
        for (std::size_t i = 8; i-- > 0;) {
            const bool digit = i < 5 && (i == 4 || n > 0);
            t.text[v][i] = digit ? static_cast<char>('0' + n % 10) : ' ';
            if (digit)
                n /= 10;
        }
    }
    return t;
}

constexpr SmallNumbers small_numbers = make_small_numbers();

// v (below 1024) in five columns; the three bytes after them are blanks.
char* put_small(char* p, std::uint64_t v)
{
    std::memcpy(p, small_numbers.text[v], 8);
    return p + 5;
}

// v (below 1024) in four columns, the unit letter and the blanks after it.
char* put_small_scaled(char* p, std::uint64_t v, char unit)
{
    std::memcpy(p, small_numbers.text[v] + 1, 8 - 1);
    p[4] = unit;
    return p + 5;
}

} // namespace

char* format_duration(char* p, std::int64_t t)
{
    if (t == 0)
        return put_text(p, " -:--:-- ", 9);
    if (t > 0 && t < 100 * 3600) { // the usual case: two columns of hours
        const auto hours = static_cast<unsigned>(t / 3600);
        const auto rest = static_cast<unsigned>(t % 3600);
        if (hours < 10) {
            *p++ = ' ';
            *p++ = static_cast<char>('0' + hours);
        } else {
            p = put_two_digits(p, hours);
        }
        *p++ = ':';
        p = put_two_digits(p, rest / 60);
        *p++ = ':';
        p = put_two_digits(p, rest % 60);
        *p++ = ' ';
        return p;
    }
    // Truncating division keeps each piece of a negative time negative.
    p = format_uint(p, as_unsigned(t / 3600), 2, ' ');
    *p++ = ':';
    p = format_uint(p, as_unsigned(t % 3600 / 60), 2, '0');
    *p++ = ':';
    p = format_uint(p, as_unsigned(t % 3600 % 60), 2, '0');
    *p++ = ' ';
    return p;
}

char* format_count(char* p, std::uint32_t n)
{
    if (n == 0)
        return put_text(p, "  - ", 4);
    p = format_uint(p, n, 3, ' ');
    *p++ = ' ';
    return p;
}

namespace {

// v in five columns: in k from k_from (at least 1024) and in m from
// 1048576; negative values as their bit pattern.
char* format_scaled(char* p, std::int64_t v, std::int64_t k_from)
{
    if (v >= 0 && v < kilo)
        return put_small(p, as_unsigned(v));
    if (v >= k_from && v < mega)
        return put_small_scaled(p, as_unsigned(v >> 10), 'k');
    if (v >= mega && (v >> 20) < kilo)
        return put_small_scaled(p, as_unsigned(v >> 20), 'm');
    if (v >= mega) {
        p = format_uint(p, as_unsigned(v >> 20), 4, ' ');
        *p++ = 'm';
        return p;
    }
    return format_uint(p, as_unsigned(v), 5, ' ');
}

} // namespace

char* format_size(char* p, std::int64_t v)
{
    p = format_scaled(p, v, kilo);
    *p++ = ' ';
    return p;
}

char* format_rate(char* p, std::int64_t v)
{
    // Rates stay unscaled below 100000, not 1024 as sizes do.
    return format_scaled(p, v, 100000);
}

char* format_year(char* p, std::int64_t year)
{
    // As printf's %04d: a minus sign counts toward the width.
    if (year < 0) {
        *p++ = '-';
        return format_uint(p, 0 - as_unsigned(year), 3, '0');
    }
    return format_uint(p, as_unsigned(year), 4, '0');
}

char* format_date(char* p, std::int64_t day)
{
    const CivilDate d = civil_from_days(day);
    p = format_year(p, d.year);
    *p++ = '-';
    p = put_two_digits(p, static_cast<unsigned>(d.month));
    *p++ = '-';
    return put_two_digits(p, static_cast<unsigned>(d.day));
}

char* format_two_digits(char* p, int value)
{
    return put_two_digits(p, static_cast<unsigned>(value));
}

char* format_clock(char* p, int hour, int minute, int second)
{
    p = put_two_digits(p, static_cast<unsigned>(hour));
    *p++ = ':';
    p = put_two_digits(p, static_cast<unsigned>(minute));
    *p++ = ':';
    return put_two_digits(p, static_cast<unsigned>(second));
}


char* format_offset(char* p, std::int64_t utc_offset)
{
    *p++ = utc_offset < 0 ? '-' : '+';
    const std::int64_t east = utc_offset < 0 ? -utc_offset : utc_offset;
    const auto seconds = static_cast<int>(east % 60);
    p = format_clock(p, static_cast<int>(east / 3600), static_cast<int>(east % 3600 / 60), seconds);
    return seconds == 0 ? p - 3 : p;
}

char* format_instant(char* p, std::int64_t day, int hour, int minute, int second, std::int64_t utc_offset)
{
    p = format_date(p, day);
    *p++ = 'T';
    p = format_clock(p, hour, minute, second);
    return format_offset(p, utc_offset);
}
