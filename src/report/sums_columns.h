// sums_columns.h - the columns of a row of sums, listed once for every
// form that prints them.
#pragma once

#include "stats/stats.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// How a column's value reads: a session count, a count shown as a dash
// where it is 0 in text, seconds, bytes, or bytes per second.
enum class SumsKind { sessions, count, duration, bytes, rate };

struct SumsColumn {
    std::string_view name;  // the member of JSON and the column of CSV
    std::string_view title; // the heading of the page
    SumsKind kind;
};

inline constexpr SumsColumn sums_columns[] = {
    {"sessions", "Sessions", SumsKind::sessions}, {"online", "Online", SumsKind::duration},
    {"out_sessions", "Out", SumsKind::count},     {"out_online", "Out online", SumsKind::duration},
    {"in_sessions", "In", SumsKind::count},       {"in_online", "In online", SumsKind::duration},
    {"traffic", "Traffic", SumsKind::bytes},      {"sent", "Sent", SumsKind::bytes},
    {"received", "Received", SumsKind::bytes},    {"cps", "CPS", SumsKind::rate}};

// A row's figures: its sums, and its session count and rate, which a
// totals row counts apart.
struct SumsRow {
    const Sums& sums;
    std::uint64_t sessions;
    std::int64_t rate;
};

// The value of column i of row; a session count never reaches 2^63.
inline std::int64_t column_value(const SumsRow& row, std::size_t i)
{
    const Sums& s = row.sums;
    switch (i) {
    case 0:
        return static_cast<std::int64_t>(row.sessions);
    case 1:
        return s.online;
    case 2:
        return s.out_sessions;
    case 3:
        return s.out_online;
    case 4:
        return s.in_sessions;
    case 5:
        return s.in_online;
    case 6:
        return traffic_of(s);
    case 7:
        return s.sent;
    case 8:
        return s.received;
    default:
        return row.rate;
    }
}
