// when.h - the times that --since and --until name.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// Which end of a period a time is given for.
enum class Bound { since, until };

// The forms of a time, in one line, for the messages and the help.
inline constexpr std::string_view when_forms =
    "now, today, yesterday, YYYY, YYYY-MM, YYYY-Www, YYYY-MM-DD, hh:mm[:ss[.f]], "
    "today hh:mm[:ss[.f]], yesterday hh:mm[:ss[.f]], "
    "YYYY-MM-DDThh:mm[:ss[.f]][Z|+hh:mm|+hhmm|+hh|-hh:mm|-hhmm|-hh], @SECONDS[.f], "
    "-Nmin, -Nh, -Nd, -Nw";

// The instant that when names as the given end of a period, in seconds
// since the epoch, with now the clock's reading; none when when is no
// valid time or the host cannot convert it. A local reading names the
// earliest instant the clock shows it (or later) as since, the latest (or
// earlier) as until; a span, such as a day or an ISO week, names its first
// instant as since and its last as until. A time with an offset from UTC
// is exact. A fraction of a second names, as since, the first whole second
// at or after it, as until the last at or before it.
std::optional<std::int64_t> parse_when(std::string_view when, Bound bound, std::int64_t now);
