#include "time/calendar.h"

#include <gtest/gtest.h>

namespace {

TEST(civil_from_days, dates_and_days_agree)
{
    const struct {
        std::int64_t day;
        CivilDate date;
    } cases[] = {
        {0, {1970, 1, 1}},       {-1, {1969, 12, 31}},     {59, {1970, 3, 1}},
        {11016, {2000, 2, 29}},  {-719468, {0, 3, 1}},     {-719469, {0, 2, 29}},
        {-719528, {0, 1, 1}},    {-719529, {-1, 12, 31}},  {2932896, {9999, 12, 31}},
        {20797, {2026, 12, 10}}, {-141427, {1582, 10, 15}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(civil_from_days(c.day), c.date) << c.day;
        EXPECT_EQ(days_from_civil(c.date), c.day) << c.day;
    }
    // Every day of four centuries on both sides of the epoch, in order.
    CivilDate prev = civil_from_days(-146097 - 1);
    for (std::int64_t day = -146097; day <= 146097; ++day) {
        const CivilDate d = civil_from_days(day);
        ASSERT_EQ(days_from_civil(d), day);
        const bool next_day = d.year == prev.year && d.month == prev.month && d.day == prev.day + 1;
        const bool next_month = d.day == 1 && ((d.year == prev.year && d.month == prev.month + 1) ||
                                               (d.year == prev.year + 1 && d.month == 1 && prev.month == 12));
        ASSERT_TRUE(next_day || next_month) << day;
        prev = d;
    }
}

TEST(iso_week_of, weeks_belong_to_the_year_of_their_thursday)
{
    const struct {
        CivilDate date;
        IsoWeek week;
        int weekday;
    } cases[] = {
        {{2026, 12, 28}, {2026, 53}, 0}, {{2026, 12, 31}, {2026, 53}, 3},
        {{2027, 1, 3}, {2026, 53}, 6},   {{2027, 1, 4}, {2027, 1}, 0},
        {{2024, 12, 30}, {2025, 1}, 0},  {{2021, 1, 3}, {2020, 53}, 6},
        {{2008, 12, 29}, {2009, 1}, 0},  {{2010, 1, 3}, {2009, 53}, 6},
        {{1970, 1, 1}, {1970, 1}, 3},    {{1969, 12, 29}, {1970, 1}, 0},
        {{2026, 11, 3}, {2026, 45}, 1},  {{-1, 1, 1}, {-2, 53}, 4},
    };
    for (const auto& c : cases) {
        const std::int64_t day = days_from_civil(c.date);
        EXPECT_EQ(iso_week_of(day), c.week) << c.date.year << '-' << c.date.month << '-' << c.date.day;
        EXPECT_EQ(weekday_of(day), c.weekday) << day;
    }
    // Every week of four centuries starts on a Monday, seven days after the
    // one before, and numbers on from 1 to 52 or 53.
    IsoWeek prev = iso_week_of(-146097 - 7);
    for (std::int64_t monday = first_day_of(prev) + 7; monday <= 146097; monday += 7) {
        const IsoWeek w = iso_week_of(monday);
        ASSERT_EQ(first_day_of(w), monday);
        ASSERT_EQ(iso_week_of(monday + 6), w);
        const bool next = (w.year == prev.year && w.week == prev.week + 1) ||
                          (w.year == prev.year + 1 && w.week == 1 && prev.week >= 52);
        ASSERT_TRUE(next) << monday;
        prev = w;
    }
}

TEST(days_in_month, leap_years_by_the_gregorian_rule)
{
    EXPECT_EQ(days_in_month(2024, 2), 29);
    EXPECT_EQ(days_in_month(2026, 2), 28);
    EXPECT_EQ(days_in_month(1900, 2), 28);
    EXPECT_EQ(days_in_month(2000, 2), 29);
    EXPECT_EQ(days_in_month(2026, 4), 30);
    EXPECT_EQ(days_in_month(2026, 12), 31);
}

} // namespace
