#include "report/time_of_day.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Sets TZ for one test and puts the old value back.
struct ZoneScope {
    std::string old;
    bool had;
    explicit ZoneScope(const char* tz)
    {
        const char* o = std::getenv("TZ");
        had = o != nullptr;
        if (had)
            old = o;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ZoneScope()
    {
        if (had)
            setenv("TZ", old.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
};

bool reference(std::int64_t t, TimeOfDay& tod)
{
    const auto tt = static_cast<std::time_t>(t);
    std::tm tm{};
    if (localtime_r(&tt, &tm) == nullptr)
        return false;
    tod = {tm.tm_hour, tm.tm_min, tm.tm_sec};
    return true;
}

// Converts times in the given order through one cache, as a log does, and
// compares each with localtime_r. Returns the number of mismatches.
int mismatches(const std::vector<std::int64_t>& times)
{
    TimeOfDayCache cache;
    int bad = 0;
    for (const std::int64_t t : times) {
        TimeOfDay want, got;
        const bool want_ok = reference(t, want);
        const bool got_ok = local_time_of_day(cache, t, got);
        if (want_ok != got_ok ||
            (want_ok && (want.hour != got.hour || want.minute != got.minute ||
                         want.second != got.second))) {
            if (++bad <= 5)
                ADD_FAILURE() << "at " << t << ": " << got.hour << ':' << got.minute << ':'
                              << got.second << " instead of " << want.hour << ':'
                              << want.minute << ':' << want.second;
        }
    }
    return bad;
}

// Every step seconds over [from, to], plus every second of each hour in
// which the zone's offset changes.
std::vector<std::int64_t> sweep(std::int64_t from, std::int64_t to, std::int64_t step)
{
    std::vector<std::int64_t> times;
    auto offset = [](std::int64_t t) {
        TimeOfDay tod;
        reference(t, tod);
        return ((tod.hour * 3600 + tod.minute * 60 + tod.second - t) % 86400 + 86400) % 86400;
    };
    for (std::int64_t hour = from; hour < to; hour += 3600) {
        if (offset(hour) != offset(hour + 3600)) {
            for (std::int64_t t = hour - 1800; t <= hour + 5400; ++t)
                times.push_back(t);
        } else {
            for (std::int64_t t = hour; t < hour + 3600; t += step)
                times.push_back(t);
        }
    }
    return times;
}

bool have_zone(const char* name)
{
    return ::access((std::string("/usr/share/zoneinfo/") + name).c_str(), R_OK) == 0;
}

constexpr std::int64_t y2011 = 1293840000;
constexpr std::int64_t y2015 = 1420070400;
constexpr std::int64_t y2026 = 1767225600;
constexpr std::int64_t year = 365 * 86400;

TEST(local_time_of_day, agrees_with_localtime_r_across_zone_changes)
{
    const struct {
        const char* tz;
        bool file;
        std::int64_t from;
    } zones[] = {
        {"UTC", false, y2026},
        {"Europe/Berlin", true, y2026},
        {"America/New_York", true, y2026},
        {"Australia/Lord_Howe", true, y2026}, // half-hour summer time
        {"Asia/Kolkata", true, y2026},
        {"Pacific/Apia", true, y2011},        // a day left out at the end of 2011
        {"right/UTC", true, y2015},           // leap seconds in 2015 and 2016
        {"XST-5:30", false, y2026},           // rules without a zone file
        {"XST3XDT,M3.2.0/2:30,M11.1.0/0:15", false, y2026},
    };
    for (const auto& z : zones) {
        if (z.file && !have_zone(z.tz)) {
            std::printf("skipping %s: no zone file\n", z.tz);
            continue;
        }
        const ZoneScope scope(z.tz);
        const std::int64_t to = z.from + (std::string(z.tz) == "right/UTC" ? 2 * year : year);
        EXPECT_EQ(mismatches(sweep(z.from, to, 37)), 0) << z.tz;
    }
}

TEST(local_time_of_day, leap_second_shows_as_sixty)
{
    if (!have_zone("right/UTC"))
        GTEST_SKIP() << "no right/UTC zone file";
    const ZoneScope scope("right/UTC");
    TimeOfDayCache cache;
    TimeOfDay tod;
    // 2016-12-31 23:59:60 UTC, a time counting the 26 leap seconds before it.
    for (std::int64_t t = 1483228800; t < 1483228826; ++t)
        local_time_of_day(cache, t, tod);
    ASSERT_TRUE(local_time_of_day(cache, 1483228826, tod));
    EXPECT_EQ(tod.hour, 23);
    EXPECT_EQ(tod.minute, 59);
    EXPECT_EQ(tod.second, 60);
}

TEST(local_time_of_day, out_of_order_and_out_of_range_times)
{
    const ZoneScope scope("Australia/Lord_Howe");
    std::vector<std::int64_t> times;
    std::uint64_t r = 12345;
    std::int64_t t = y2026;
    for (int i = 0; i < 200000; ++i) {
        r = r * 6364136223846793005ULL + 1442695040888963407ULL;
        const auto jump = static_cast<std::int64_t>(r >> 40) % 4000;
        t += (r >> 20) % 10 == 0 ? -jump : jump / 40; // mostly forward, now and then back
        times.push_back(t);
    }
    for (const std::int64_t far : {INT64_MIN, INT64_MIN + 1, -(std::int64_t{1} << 60),
                                   std::int64_t{1} << 60, INT64_MAX - 1, INT64_MAX,
                                   std::int64_t{-62135596800}, std::int64_t{253402300799}})
        times.insert(times.end(), {far, far, y2026, far});
    EXPECT_EQ(mismatches(times), 0);
}

} // namespace
