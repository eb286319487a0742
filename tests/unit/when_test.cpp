#include "app/when.h"

#include "zone_scope.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <limits>
#include <string>
#include <unistd.h>

namespace {

constexpr std::int64_t now = 1796169600; // 2026-12-02 00:00:00 UTC

struct Case {
    std::string_view when;
    std::optional<std::int64_t> since, until;
};

void expect_bounds(const Case& c)
{
    EXPECT_EQ(parse_when(c.when, Bound::since, now), c.since) << '"' << c.when << "\" as --since";
    EXPECT_EQ(parse_when(c.when, Bound::until, now), c.until) << '"' << c.when << "\" as --until";
}

TEST(parse_when, forms_and_their_bounds)
{
    const ZoneScope utc("UTC");
    constexpr std::int64_t nov1 = 1793491200, max = std::numeric_limits<std::int64_t>::max(),
                           min = std::numeric_limits<std::int64_t>::min();
    const Case cases[] = {
        {"2026-11-01", nov1, nov1 + 86399},
        {"2024-02-29", 1709164800, 1709251199},
        {"2026-11-01T12:30", nov1 + 45000, nov1 + 45000},
        {"2026-11-01 12:30:15", nov1 + 45015, nov1 + 45015},
        {"2026-11-01T00:00:00", nov1, nov1},
        {"2026-11-01T23:59:59", nov1 + 86399, nov1 + 86399},
        {"0001-01-01", -62135596800, -62135510401},
        {"9999-12-31T23:59:59", 253402300799, 253402300799},
        {"9999", 253370764800, 253402300799},
        {"2026", 1767225600, 1798761599},
        {"2026-11", nov1, 1796083199},
        {"2024-02", 1706745600, 1709251199},
        {"2026-02", 1769904000, 1772323199},
        {"2026-12", 1796083200, 1798761599},
        {"now", now, now},
        {"10:00", now + 36000, now + 36000},
        {"00:00:30", now + 30, now + 30},
        {"23:59:59", now + 86399, now + 86399},
        {"2026-11-01T10:00:00Z", nov1 + 36000, nov1 + 36000},
        {"2026-11-01 10:00Z", nov1 + 36000, nov1 + 36000},
        {"2026-11-01T10:00:00+01:00", nov1 + 32400, nov1 + 32400},
        {"2026-11-01T10:00-05:00", nov1 + 54000, nov1 + 54000},
        {"2026-11-01T10:00:00+00:19:32", nov1 + 34828, nov1 + 34828},
        {"0001-01-01T00:00:00+23:59:59", -62135683199, -62135683199},
        {"today", now, now + 86399},
        {"yesterday", now - 86400, now - 1},
        {"@0", 0, 0},
        {"@-5", -5, -5},
        {"@0000017", 17, 17},
        {"@9223372036854775807", max, max},
        {"@-9223372036854775808", min, min},
        {"-1d", now - 86400, now - 86400},
        {"-30d", now - 30 * 86400, now - 30 * 86400},
        {"-2h", now - 7200, now - 7200},
        {"-0h", now, now},
        {"-30min", now - 1800, now - 1800},
        {"-1w", now - 604800, now - 604800},
        // Every instant that 64 bits hold, however far back.
        {"-106751991167301d", -9223372035058636800, -9223372035058636800},
        {"-2562047788015216h", -9223372035058608000, -9223372035058608000},
        {"-106751991188089d", -9223372036854720000, -9223372036854720000},
        {"-153722867310849090min", min + 8, min + 8},
    };
    for (const Case& c : cases)
        expect_bounds(c);
}

TEST(parse_when, anything_else_is_invalid)
{
    const ZoneScope utc("UTC");
    for (const std::string_view bad :
         {"", "2026-13-01", "2026-00-10", "2026-02-29", "2026-02-30", "2026-04-31", "2026-11-00",
          "2026-11-01T24:00", "2026-11-01T12:60", "2026-11-01T12:30:60", "2026-11-1",
          "26-11-01", "2026/11/01", "2026-11-01T12", "2026-11-01T12:30:", "2026-11-01  12:30",
          " 2026-11-01", "2026-11-01 ", "+2026-11-01",
          "tomorrow", "Today", "Now", "@", "@+5", "@5x", "@ 5", "@-", "@9223372036854775808",
          "@-9223372036854775809", "-d", "-5", "-5m", "-5D", "--5d", "-5.5h", "-5 min",
          "-5mins", "-99999999999999999d", "-9223372036854775807h", "-106751991188090d",
          "-18446744073709551616min", "0000-01-01", "0000", "10000", "10000-01-01", "2026-1",
          "2026-13", "2026-00", "202", "2026-", "10:0", "1:00", "24:00", "10:60", "10:00:60",
          "10:00:", "2026-11-01T10:00:00+1:00", "2026-11-01T10:00 Z",
          "2026-11-01T10:00:00+24:00", "2026-11-01T10:00:00+01:00:", "2026-11-01T10:00ZZ",
          "2026-11-01Z",
          // Weeks that are none, and the forms of scripts gone wrong.
          "2026-W00", "2026-W54", "2027-W53", "2026-W5", "2026-w05", "2026-W05-1", "2026W05",
          "today10:00", "today ", "today 10", "yesterday 24:00", "today 2026-11-01", "10:00.5",
          "10:00:00.", "10:00:00.5x", "@5.", "@.5", "@5.5.5", "2026-11-01T10:00:00.",
          "2026-11-01T10:00.5", "2026-11-01T10:00:00+1", "2026-11-01T10:00:00+013",
          "2026-11-01T10:00:00+0160", "2026-11-01T10:00:00+2400", "2026-11-01T10:00:00.5 Z"})
        expect_bounds({bad, std::nullopt, std::nullopt});
}

// Local times across the clock changes of zones that change at night, at
// midnight and by half an hour.
TEST(parse_when, local_times_are_exact_across_clock_changes)
{
    const struct {
        const char* zone;
        Case c;
    } cases[] = {
        // Spring forward, 02:00 to 03:00: a skipped time starts after the gap.
        {"Europe/Berlin", {"2026-03-29T02:30", 1774746000, 1774745999}},
        // Fall back, 03:00 to 02:00: from the first 02:30 to the second.
        {"Europe/Berlin", {"2026-10-25T02:30", 1792888200, 1792891800}},
        {"Europe/Berlin", {"2026-10-25", 1792879200, 1792969199}}, // 25 hours
        {"Europe/Berlin", {"2026-03-29", 1774738800, 1774821599}}, // 23 hours
        // Midnight skipped: the day starts at its first second, 01:00.
        {"America/Havana", {"2026-03-08", 1772946000, 1773028799}},
        {"America/Havana", {"2026-03-07", 1772859600, 1772945999}},
        // 01:00 back to 00:00: the day starts at the first midnight.
        {"America/Havana", {"2026-11-01", 1793505600, 1793595599}},
        {"America/Havana", {"2026-11-01T00:30", 1793507400, 1793511000}},
        // Half an hour each way.
        {"Australia/Lord_Howe", {"2026-10-04T02:15", 1791041400, 1791041399}},
        {"Australia/Lord_Howe", {"2026-04-05T01:45", 1775313900, 1775315700}},
        // Months and years across the changes, and today's readings by the
        // local day of now.
        {"Europe/Berlin", {"2026-10", 1790805600, 1793487599}},
        {"Europe/Berlin", {"2026", 1767222000, 1798757999}},
        {"America/Havana", {"2026-03", 1772341200, 1775015999}},
        {"Australia/Lord_Howe", {"2026-10", 1790775000, 1793451599}},
        {"Europe/Berlin", {"10:00", 1796202000, 1796202000}},
        {"America/Havana", {"10:00", 1796137200, 1796137200}},
        {"Australia/Lord_Howe", {"02:15", 1796138100, 1796138100}},
        // An offset makes an instant exact, whatever the zone.
        {"Australia/Lord_Howe", {"2026-10-04T02:15+10:30", 1791042300, 1791042300}},
        // ISO weeks, as --by=week labels them: a week of 169 hours, week 53
        // of 2026, a week 1 that begins in December, a week of 168.5 hours.
        {"Europe/Berlin", {"2026-W43", 1792360800, 1792969199}},
        {"Europe/Berlin", {"2026-W53", 1798412400, 1799017199}},
        {"UTC", {"2025-W01", 1735516800, 1736121599}},
        {"Australia/Lord_Howe", {"2026-W14", 1774789200, 1775395799}},
        // Today and yesterday at a time of day, by the local day of now.
        {"Europe/Berlin", {"today 10:00", 1796202000, 1796202000}},
        {"Europe/Berlin", {"yesterday 10:00:30.5", 1796115631, 1796115630}},
        {"America/Havana", {"today 23:59:59.9", 1796187600, 1796187599}},
        // A fraction of a second in the repeated hour: since, the second
        // after the first reading; until, the second reading.
        {"Europe/Berlin", {"2026-10-25T02:30:00.5", 1792888201, 1792891800}},
        {"America/Havana", {"2026-11-01T00:30:00.25", 1793507401, 1793511000}},
        {"Europe/Berlin", {"2026-10-25 02:30:00.000", 1792888200, 1792891800}},
        // Offsets as date prints them, hours alone, lower-case letters.
        {"America/Havana", {"2026-11-01T00:30-0500", 1793511000, 1793511000}},
        {"America/Havana", {"2026-11-01t00:30:00-04", 1793507400, 1793507400}},
        {"Australia/Lord_Howe", {"2026-10-04T02:15:00.9+1030", 1791042301, 1791042300}},
        {"Europe/Berlin", {"2026-12-10t10:00:00.000z", 1796896800, 1796896800}},
        // Seconds since the epoch with a fraction, either side of 0.
        {"Europe/Berlin", {"@5.5", 6, 5}},
        {"Europe/Berlin", {"@-5.5", -5, -6}},
        {"Europe/Berlin", {"@5.0", 5, 5}},
    };
    for (const auto& z : cases)
        if (!have_zone(z.zone))
            GTEST_SKIP() << "no zone file for " << z.zone;
    for (const auto& z : cases) {
        const ZoneScope scope(z.zone);
        expect_bounds(z.c);
    }
}

// Each day ends one second before the next begins, whatever the clock does.
TEST(parse_when, days_neither_overlap_nor_leave_a_gap)
{
    const char* const zones[] = {"Europe/Berlin", "America/Havana", "Australia/Lord_Howe", "right/UTC"};
    for (const char* zone : zones)
        if (!have_zone(zone))
            GTEST_SKIP() << "no zone file for " << zone;
    for (const char* zone : zones) {
        const ZoneScope scope(zone);
        char day[16];
        std::tm tm{};
        std::time_t t = zone == std::string("right/UTC") ? 1482969600 : 1767225600;
        for (int i = 0; i < (zone == std::string("right/UTC") ? 5 : 366); ++i, t += 86400) {
            gmtime_r(&t, &tm);
            std::strftime(day, sizeof day, "%Y-%m-%d", &tm);
            std::time_t next = t + 86400;
            char next_day[16];
            gmtime_r(&next, &tm);
            std::strftime(next_day, sizeof next_day, "%Y-%m-%d", &tm);
            const auto until = parse_when(day, Bound::until, now);
            const auto since = parse_when(next_day, Bound::since, now);
            ASSERT_TRUE(until && since) << zone << ' ' << day;
            EXPECT_EQ(*until + 1, *since) << zone << ' ' << day;
        }
    }
}

TEST(parse_when, a_day_with_a_leap_second_ends_with_it)
{
    if (!have_zone("right/UTC"))
        GTEST_SKIP() << "no right/UTC zone file";
    const ZoneScope scope("right/UTC");
    // 2016-12-31 23:59:60 is 1483228826, counting the 26 leap seconds before.
    EXPECT_EQ(parse_when("2016-12-31", Bound::until, now), 1483228826);
    EXPECT_EQ(parse_when("2017-01-01", Bound::since, now), 1483228827);
    EXPECT_EQ(parse_when("2016-12-31T23:59:59", Bound::until, now), 1483228825);
}

} // namespace
