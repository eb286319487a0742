// instants.h - the instants at which the local clock shows a reading: the
// way back from the clock to time.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <utility>

// A reading of the local clock: day (since 1970-01-01), hour, minute,
// second (60 for a leap second), compared in that order.
struct LocalReading {
    std::int64_t day = 0;
    int hour = 0, minute = 0, second = 0;

    auto operator<=>(const LocalReading&) const = default;
};

// The earliest instant at which the clock shows w or later, and the latest
// at which it shows w or earlier: exact across the zone's clock changes,
// where a reading may be skipped or shown twice. None where the host cannot
// convert the times near w.
std::optional<std::int64_t> first_instant_from(const LocalReading& w);
std::optional<std::int64_t> last_instant_until(const LocalReading& w);

// The first and the last instant of a local day: it lasts from the first
// instant its date is shown to the second before the next day begins.
std::optional<std::int64_t> first_instant_of_day(std::int64_t day);
std::optional<std::int64_t> last_instant_of_day(std::int64_t day);

// The first and the last instant of the local hour that the clock shows at
// t: the stretch around t over which it shows that date and hour with the
// same offset from UTC, so that an hour shown twice, where the clock is set
// back, is two. None where the host cannot convert t.
std::optional<std::pair<std::int64_t, std::int64_t>> hour_around(std::int64_t t);
