// columns.h - the numeric columns shared by both tables.
#pragma once

#include "report/writer.h"

#include <cstdint>

// Seconds as h:mm:ss in nine columns, or " -:--:-- " for none.
void print_duration(Writer& out, std::int64_t seconds);

// A session count in three columns and a blank, or "  - " for none.
void print_count(Writer& out, std::uint32_t n);

// Bytes in five columns and a blank, in k from 1024 and m from 1048576.
void print_size(Writer& out, std::int64_t bytes);

// Bytes per second in five columns, in k from 100000 and m from 1048576.
void print_rate(Writer& out, std::int64_t rate);

// bytes / seconds truncated toward zero; 0 for no time, and the one
// quotient beyond 64 bits wraps to the smallest value.
std::int64_t divide_rate(std::int64_t bytes, std::int64_t seconds);
