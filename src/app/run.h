// run.h - the whole program: arguments in, report out, exit status back.
#pragma once

#include "app/options.h"
#include "history/selection.h"

#include <cstdint>

// Seconds since the epoch; tests pass a fixed one.
using Clock = std::int64_t (*)();

// The host's clock.
std::int64_t system_clock();

// The window of the last 24 hours, from two readings of the clock.
TimeWindow recent_window(std::int64_t first, std::int64_t second);

// What the reader keeps for opts: the line, and the period or the window
// of its scope, with the clock's two readings.
Selection selection_of(const RunOptions& opts, std::int64_t first, std::int64_t second);

// Runs the tool on argv (argv[0] is the program's name), writing the report
// to out_fd and messages to err_fd; returns the exit status.
int run(int argc, const char* const* argv, int out_fd, int err_fd, Clock clock);

// Reports running out of memory on standard output and ends the process
// with status 1.
[[noreturn]] void fail_out_of_memory();
