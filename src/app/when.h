// when.h - the times that --since and --until name.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// Which end of the period a time is given for.
enum class Bound { since, until };

// The instant that when names as the given end of a period, in seconds
// since the epoch, with now the clock's reading; none when when is no
// valid time or the host cannot convert it. Local times and days are read
// in the host's time zone, exactly across its clock changes.
std::optional<std::int64_t> parse_when(std::string_view when, Bound bound, std::int64_t now);
