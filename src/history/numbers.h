// numbers.h - decimal fields and wrapping sums.
#pragma once

#include <cstdint>
#include <string_view>

// Reads a signed decimal at p like strtoll: leading white space, an optional
// sign, digits up to the first other byte; no digits read as 0, and values
// beyond 64 bits stick at the largest or smallest value by their sign.
// Returns where it stopped, at most end.
const char* scan_number_general(const char* p, const char* end, std::int64_t& value);

// The same, with the usual number, a few plain digits, read on the spot.
inline const char* scan_number(const char* p, const char* end, std::int64_t& value)
{
    // Up to 18 digits cannot overflow.
    const char* stop = end - p > 18 ? p + 18 : end;
    const char* q = p;
    std::uint64_t magnitude = 0;
    for (unsigned d; q < stop && (d = static_cast<unsigned char>(*q) - 0x30U) < 10; ++q)
        magnitude = magnitude * 10 + d;
    if (q == p || (q < end && static_cast<unsigned char>(*q) - 0x30U < 10))
        return scan_number_general(p, end, value); // a sign, blanks or many digits
    value = static_cast<std::int64_t>(magnitude);
    return q;
}

// Two's-complement sum that wraps instead of overflowing.
inline std::int64_t wrapping_add(std::int64_t a, std::int64_t b)
{
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) +
                                      static_cast<std::uint64_t>(b));
}

// bytes / seconds truncated toward zero; 0 for no time, and the one
// quotient beyond 64 bits wraps to the smallest value.
inline std::int64_t divide_rate(std::int64_t bytes, std::int64_t seconds)
{
    if (seconds == 0)
        return 0;
    if (seconds == -1)
        return static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(bytes));
    return bytes / seconds;
}
