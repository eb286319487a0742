#include "time/local_time.h"

#include "zone_scope.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Converts times in the given order through one cache, as a log does, and
// compares each with a conversion of its own. Returns the number of
// mismatches.
int mismatches(const std::vector<std::int64_t>& times)
{
    LocalTimeCache cache;
    int bad = 0;
    for (const std::int64_t t : times) {
        LocalTime want, got;
        const bool want_ok = convert_local_time(t, want);
        const bool got_ok = local_time(cache, t, got);
        if (want_ok != got_ok || (want_ok && want != got)) {
            if (++bad <= 5)
                ADD_FAILURE() << "at " << t << ": day " << got.day << ' ' << got.hour << ':'
                              << got.minute << ':' << got.second << " offset " << got.utc_offset
                              << " instead of day " << want.day << ' ' << want.hour << ':'
                              << want.minute << ':' << want.second << " offset "
                              << want.utc_offset;
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
        LocalTime l;
        convert_local_time(t, l);
        return l.day * 86400 + l.hour * 3600 + l.minute * 60 + l.second - t;
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

constexpr std::int64_t y2011 = 1293840000;
constexpr std::int64_t y2015 = 1420070400;
constexpr std::int64_t y2026 = 1767225600;
constexpr std::int64_t year = 365 * 86400;

TEST(local_time, agrees_with_localtime_r_across_zone_changes)
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
        {"America/Havana", true, y2026},      // changes at midnight
        {"Asia/Kolkata", true, y2026},
        {"Pacific/Apia", true, y2011},        // a day left out at the end of 2011
        {"right/UTC", true, y2015},           // leap seconds in 2015 and 2016
        {"XST-5:30", false, y2026},           // rules without a zone file
        {"XST3XDT,M3.2.0/2:30,M11.1.0/0:15", false, y2026},
    };
    for (const auto& z : zones)
        if (z.file && !have_zone(z.tz))
            GTEST_SKIP() << "no zone file for " << z.tz;
    for (const auto& z : zones) {
        const ZoneScope scope(z.tz);
        const std::int64_t to = z.from + (std::string(z.tz) == "right/UTC" ? 2 * year : year);
        EXPECT_EQ(mismatches(sweep(z.from, to, 37)), 0) << z.tz;
    }
}

TEST(local_time, leap_second_shows_as_sixty)
{
    if (!have_zone("right/UTC"))
        GTEST_SKIP() << "no right/UTC zone file";
    const ZoneScope scope("right/UTC");
    LocalTimeCache cache;
    LocalTime l;
    // 2016-12-31 23:59:60 UTC, a time counting the 26 leap seconds before it.
    for (std::int64_t t = 1483228800; t < 1483228826; ++t)
        local_time(cache, t, l);
    ASSERT_TRUE(local_time(cache, 1483228826, l));
    EXPECT_EQ(civil_from_days(l.day), (CivilDate{2016, 12, 31}));
    EXPECT_EQ(l.hour, 23);
    EXPECT_EQ(l.minute, 59);
    EXPECT_EQ(l.second, 60);
}

TEST(local_time, out_of_order_and_out_of_range_times)
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

// The quarter-hour cache rests on one assumption, stated in the manual: the
// local clock never changes its offset and changes it back within one
// quarter hour. A rule string can break it, and then the cache is wrong.
TEST(local_time, a_change_undone_within_a_quarter_hour_is_missed)
{
    // Summer time from 00:05 to 01:10 local time on 1 March: 00:05 to 00:10 UTC.
    const ZoneScope scope("XST0XDT-1,J60/0:05,J60/1:10");
    const std::int64_t seven_past = 1772323620; // 2026-03-01 00:07 UTC
    LocalTime converted, cached;
    ASSERT_TRUE(convert_local_time(seven_past, converted));
    EXPECT_EQ(converted.hour, 1);
    EXPECT_EQ(converted.minute, 7);
    LocalTimeCache cache;
    ASSERT_TRUE(local_time(cache, seven_past, cached));
    EXPECT_EQ(cached.hour, 0); // the documented limit
    EXPECT_EQ(cached.minute, 7);
}

// The offsets (seconds east of UTC) in force after each transition of a
// TZif file, with the transition times, after the offset of the times
// before the first; empty for a file that is not one.
std::vector<std::pair<std::int64_t, std::int64_t>> zone_transitions(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto u8 = [&](std::size_t at) { return static_cast<unsigned char>(data[at]); };
    const auto be = [&](std::size_t at, int bytes) {
        std::uint64_t v = 0;
        for (int i = 0; i < bytes; ++i)
            v = v << 8 | u8(at + static_cast<std::size_t>(i));
        return bytes == 4 ? std::int64_t{static_cast<std::int32_t>(v)} : static_cast<std::int64_t>(v);
    };
    std::vector<std::pair<std::int64_t, std::int64_t>> out;
    if (data.size() < 44 || data.compare(0, 4, "TZif") != 0)
        return out;
    std::size_t at = 0;
    int time_size = 4;
    for (;;) {
        const auto count = [&](int k) { return static_cast<std::size_t>(be(at + 20 + 4 * static_cast<std::size_t>(k), 4)); };
        const std::size_t isut = count(0), isstd = count(1), leaps = count(2), times = count(3),
                          types = count(4), chars = count(5);
        const std::size_t body = at + 44;
        const std::size_t size = times * static_cast<std::size_t>(time_size) + times + types * 6 + chars +
                                 leaps * static_cast<std::size_t>(time_size + 4) + isstd + isut;
        if (body + size > data.size())
            return {};
        if (time_size == 4 && data[4] >= '2') { // the 64-bit part follows
            at = body + size;
            time_size = 8;
            continue;
        }
        const std::size_t type_of = body + times * static_cast<std::size_t>(time_size);
        const std::size_t info = type_of + times;
        if (types == 0)
            return {};
        out.emplace_back(INT64_MIN, be(info, 4));
        for (std::size_t i = 0; i < times; ++i) {
            const std::size_t type = u8(type_of + i);
            if (type >= types)
                return {};
            out.emplace_back(be(body + i * static_cast<std::size_t>(time_size), time_size),
                             be(info + type * 6, 4));
        }
        return out;
    }
}

TEST(local_time, no_installed_zone_changes_its_offset_twice_within_a_quarter_hour)
{
    const std::filesystem::path root = "/usr/share/zoneinfo";
    if (!std::filesystem::is_directory(root))
        GTEST_SKIP() << "no zone files";
    int zones = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file())
            continue;
        const auto transitions = zone_transitions(entry.path().string());
        if (transitions.empty())
            continue;
        ++zones;
        // The times at which the offset really changes, and the gaps between.
        std::int64_t offset = transitions[0].second, last_change = INT64_MIN;
        for (const auto& [t, next] : transitions) {
            if (t == INT64_MIN)
                continue;
            if (next == offset)
                continue;
            if (last_change != INT64_MIN) {
                EXPECT_GE(t - last_change, 900) << entry.path() << " at " << t;
            }
            last_change = t;
            offset = next;
        }
    }
    std::printf("%d zone files checked\n", zones);
    EXPECT_GT(zones, 0);
}

} // namespace
