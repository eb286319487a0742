#include "history/numbers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

constexpr std::int64_t max64 = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t min64 = std::numeric_limits<std::int64_t>::min();

// The number a whole field reads as.
std::int64_t read_number(std::string_view field)
{
    std::int64_t value = 0;
    scan_number(field.data(), field.data() + field.size(), value);
    return value;
}

TEST(scan_number, reads_like_strtoll)
{
    const struct {
        std::string_view text;
        std::int64_t value;
    } cases[] = {
        {"125", 125},
        {"  125", 125},                 // leading blanks skipped
        {"\t\v\f\r\n7", 7},             // every white space byte
        {"125s", 125},                  // stops at the first non-digit
        {"+42", 42},
        {"-42", -42},
        {"-0", 0},
        {"I", 0},                       // no number at all
        {"", 0},
        {"-", 0},
        {"+ 5", 0},                     // no blank after the sign
        {"1 2", 1},
        {"\n", 0},                      // a field of just the line feed
        {"70\n", 70},
        {"9223372036854775807", max64},
        {"9223372036854775808", max64}, // one past: sticks at the top
        {"-9223372036854775808", min64},
        {"-9223372036854775809", min64},
        {"99999999999999999999999999999999999999", max64},
        {"-99999999999999999999999999999999999999", min64},
        {"00000000000000000000000000000000000000012", 12}, // long but small
    };
    for (const auto& c : cases)
        EXPECT_EQ(read_number(c.text), c.value) << '"' << c.text << '"';
}

TEST(wrapping_add, wraps_at_both_ends)
{
    EXPECT_EQ(wrapping_add(2, 3), 5);
    EXPECT_EQ(wrapping_add(max64, 1), min64);
    EXPECT_EQ(wrapping_add(min64, -1), max64);
    EXPECT_EQ(wrapping_add(max64, max64), -2);
}

} // namespace
