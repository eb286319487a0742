#include "history/numbers.h"
#include "report/columns.h"

#include "render.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr std::int64_t max64 = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t min64 = std::numeric_limits<std::int64_t>::min();

TEST(print_duration, pieces_and_widths)
{
    const struct {
        std::int64_t seconds;
        const char* text;
    } cases[] = {
        {0, " -:--:-- "},
        {1, " 0:00:01 "},
        {59, " 0:00:59 "},
        {60, " 0:01:00 "},
        {725, " 0:12:05 "},
        {3599, " 0:59:59 "},
        {3600, " 1:00:00 "},
        {86399, "23:59:59 "},
        {100000, "27:46:40 "},
        {360000, "100:00:00 "}, // the hours push the line right
        // Negative pieces print as unsigned 64-bit values.
        {-1, " 0:00:18446744073709551615 "},
        {-3600, "18446744073709551615:00:00 "},
        {min64, "18444182025921536401:18446744073709551586:18446744073709551608 "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(render(print_duration, c.seconds), c.text) << c.seconds;
}

TEST(print_count, dash_for_none)
{
    EXPECT_EQ(render(print_count, 0U), "  - ");
    EXPECT_EQ(render(print_count, 1U), "  1 ");
    EXPECT_EQ(render(print_count, 999U), "999 ");
    EXPECT_EQ(render(print_count, 1000U), "1000 ");
    EXPECT_EQ(render(print_count, 4294967295U), "4294967295 ");
}

TEST(print_size_and_rate, scale_at_their_own_thresholds)
{
    const struct {
        std::int64_t value;
        const char* size;
        const char* rate;
    } cases[] = {
        {0, "    0 ", "    0"},
        {7, "    7 ", "    7"},
        {10, "   10 ", "   10"},
        {100, "  100 ", "  100"},
        {1023, " 1023 ", " 1023"},
        {1024, "   1k ", " 1024"},
        {99999, "  97k ", "99999"},
        {100000, "  97k ", "  97k"},
        {1048575, "1023k ", "1023k"},
        {1048576, "   1m ", "   1m"},
        {5 * 1048576 + 3, "   5m ", "   5m"}, // truncated, never rounded up
        {1024LL * 1048576 - 1, "1023m ", "1023m"},
        {1024LL * 1048576, "1024m ", "1024m"},
        {10000LL * 1048576, "10000m ", "10000m"},
        {max64, "8796093022207m ", "8796093022207m"},
        {-1, "18446744073709551615 ", "18446744073709551615"},
        {min64, "9223372036854775808 ", "9223372036854775808"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(render(print_size, c.value), c.size) << c.value;
        EXPECT_EQ(render(print_rate, c.value), c.rate) << c.value;
    }
}

TEST(divide_rate, truncates_and_never_traps)
{
    EXPECT_EQ(divide_rate(842, 725), 1);
    EXPECT_EQ(divide_rate(-7, 2), -3);
    EXPECT_EQ(divide_rate(7, -2), -3);
    EXPECT_EQ(divide_rate(100, 0), 0);
    EXPECT_EQ(divide_rate(min64, -1), min64);
    EXPECT_EQ(divide_rate(max64, -1), -max64);
}

} // namespace
