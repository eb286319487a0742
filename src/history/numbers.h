// numbers.h - decimal fields and wrapping sums.
#pragma once

#include <cstdint>
#include <string_view>

// Reads a signed decimal like strtoll: leading white space, an optional
// sign, digits up to the first other byte; no digits read as 0, and values
// beyond 64 bits stick at the largest or smallest value by their sign.
std::int64_t read_number(std::string_view field);

// Two's-complement sum that wraps instead of overflowing.
inline std::int64_t wrapping_add(std::int64_t a, std::int64_t b)
{
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) +
                                      static_cast<std::uint64_t>(b));
}
