// run.h - the whole program: arguments in, report out, exit status back.
#pragma once

#include "history/selection.h"
#include "time/period.h"

#include <cstdint>
#include <optional>
#include <string_view>

// Seconds since the epoch; tests pass a fixed one.
using Clock = std::int64_t (*)();

// The host's clock.
std::int64_t system_clock();

// What the reader keeps: the lines that name_line names, and the starts
// in period, where there is one.
Selection selection_of(std::string_view name_line, const std::optional<Period>& period);

// Runs the tool on argv (argv[0] is the program's name), writing the report
// to out_fd and messages to err_fd; returns the exit status.
int run(int argc, const char* const* argv, int out_fd, int err_fd, Clock clock);

// Reports running out of memory on standard output and ends the process
// with status 1.
[[noreturn]] void fail_out_of_memory();
