// numbers.cpp - decimal fields.
#include "history/numbers.h"

#include <limits>

namespace {

bool is_space(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace

const char* scan_number_general(const char* p, const char* end, std::int64_t& value)
{
    while (p < end && is_space(*p))
        ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    // Accumulate the magnitude as unsigned; the smallest value's magnitude
    // is one more than the largest's.
    constexpr std::uint64_t max_pos = std::numeric_limits<std::int64_t>::max();
    const std::uint64_t limit = negative ? max_pos + 1 : max_pos;
    std::uint64_t magnitude = 0;
    bool saturated = false;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) {
        const auto digit = static_cast<std::uint64_t>(*p - '0');
        if (saturated || magnitude > (limit - digit) / 10) {
            saturated = true;
            continue;
        }
        magnitude = magnitude * 10 + digit;
    }
    if (saturated)
        magnitude = limit;
    value = negative ? static_cast<std::int64_t>(0 - magnitude)
                     : static_cast<std::int64_t>(magnitude);
    return p;
}
