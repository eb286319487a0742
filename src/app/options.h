// options.h - what the command line asks for.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

enum class ReportScope { recent, all };

struct RunOptions {
    ReportScope scope = ReportScope::recent;
    std::string_view line_name;
    const char* history_path = "";
    std::optional<std::int64_t> since; // the earliest start reported, when given
    std::optional<std::int64_t> until; // the latest start reported, when given
    bool full_time = false;            // the log shows the date with the time
    bool summary_only = false;         // the summary alone, sessions not kept
    bool json = false;                 // the report as one JSON document
};

// What the command line asks the run to do.
enum class Request { report, usage, help, bad_argument };

// Why a command line cannot be followed, and the text at fault.
struct BadArgument {
    enum class Kind { unknown_option, missing_value, invalid_time };
    Kind kind = Kind::unknown_option;
    std::string_view text;
};

// Reads argv (argv[0] is the program's name). Every argument that begins
// with "--", up to one that is exactly "--", is a long option, wherever it
// stands; the last of the rest is the history file, the one before it the
// line name, and the one before that asks for the whole file when it is
// "-a". now is the clock's reading, for the times that options name.
Request parse_arguments(int argc, const char* const* argv, std::int64_t now, RunOptions& opts,
                        BadArgument& bad);
