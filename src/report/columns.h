// columns.h - the columns of the text tables: the summary, the log, the groups.
#pragma once

#include "report/writer.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

// The widest text a column formatter writes: three pieces of a negative
// duration, 20 digits each, and their separators.
inline constexpr std::size_t column_max = 64;

// Each format_* writes its column at p and returns the end of the column.
// It may write blanks past that end, never past p + column_max.

// Seconds as h:mm:ss in nine columns, or " -:--:-- " for none.
char* format_duration(char* p, std::int64_t seconds);

// A session count in three columns and a blank, or "  - " for none.
char* format_count(char* p, std::uint32_t n);

// Bytes in five columns and a blank, in k from 1024 and m from 1048576.
char* format_size(char* p, std::int64_t bytes);

// Bytes per second in five columns, in k from 100000 and m from 1048576.
char* format_rate(char* p, std::int64_t rate);

inline void print_duration(Writer& out, std::int64_t seconds)
{
    out.commit(format_duration(out.room(column_max), seconds));
}

inline void print_count(Writer& out, std::uint32_t n)
{
    out.commit(format_count(out.room(column_max), n));
}

inline void print_size(Writer& out, std::int64_t bytes)
{
    out.commit(format_size(out.room(column_max), bytes));
}

inline void print_rate(Writer& out, std::int64_t rate)
{
    out.commit(format_rate(out.room(column_max), rate));
}

// An address, left-justified in the address column of the summary and the log.
inline void print_address(Writer& out, std::string_view address)
{
    out.put_field_left(address, 16);
}

// The longest date format_date writes: a year of 17 digits and its sign,
// then "-MM-DD".
inline constexpr std::size_t date_max = 24;

// A year as "%04d" prints it; at most date_max bytes.
char* format_year(char* p, std::int64_t year);

// 0 to 99 in two digits.
char* format_two_digits(char* p, int value);

// A day (days since 1970-01-01) as its date, "%04d-%02d-%02d" of year,
// month and day; at most date_max bytes.
char* format_date(char* p, std::int64_t day);

// A time of day as "hh:mm:ss"; 8 bytes.
char* format_clock(char* p, int hour, int minute, int second);

// The longest text format_instant writes.
inline constexpr std::size_t instant_max = date_max + 20;

// A local time with its offset from UTC, "YYYY-MM-DDThh:mm:ss+hh:mm", the
// offset's seconds added where it has them.
char* format_instant(char* p, std::int64_t day, int hour, int minute, int second, std::int64_t utc_offset);

// An offset from UTC, seconds east, as "+hh:mm", or "+hh:mm:ss" where it
// has seconds; 9 bytes at most.
char* format_offset(char* p, std::int64_t utc_offset);

