// options.h - what the command line asks for.
#pragma once

#include "stats/group_unit.h"
#include "time/period.h"

#include <cstddef>
#include <cstdint>
#include <optional>

#include <string_view>
#include <vector>

enum class ReportScope { recent, all };

// What a report counts, how it is written, and the order of its tables'
// rows (stats/tally.h, report/report.h, stats/order.h).
enum class View;
enum class Form;
enum class SortKey;


struct RunOptions {
    ReportScope scope = ReportScope::recent;
    std::string_view line_name;
    std::vector<const char*> history_paths; // one, or with --files one or more
    Period period;             // as --since and --until give it; open where not given
    bool full_time = false;    // the log shows the date with the time
    bool summary_only = false; // the summary alone, sessions not kept
    bool json = false;         // the report as one JSON document
    bool files = false;        // the arguments are [-a] name_line hist_file..., from the front
    std::optional<GroupUnit> by; // the table of groups in place of the report
    bool calls = false;          // the table of calls in place of the report
    bool html = false;           // the report as one HTML page
    bool csv = false;            // the view's rows as one CSV table
    bool metrics = false;        // the counters of the whole history, for monitoring
    std::size_t threads = 0;     // threads to read and print with; 0: as many as pay
    // The patterns of --address, each value split at its commas; none: all.
    std::vector<std::string_view> address_patterns;
    // Options that change nothing with the others given, each once, in the
    // order of the arguments, with the option they have no effect with.
    std::vector<std::pair<std::string_view, std::string_view>> ignored_options;
    std::string_view sort_name;          // the key of --sort as given
    bool sort_given = false;
    SortKey sort{};                      // that key, once known for the view
    std::optional<std::uint64_t> top;    // the rows of each table --top keeps
    // Arguments that the classic rules pass over: those before the option
    // slot, and the slot itself when it is not exactly "-a".
    std::vector<std::string_view> ignored;
};

// The most threads that --threads takes.
inline constexpr std::size_t most_threads = 1024;

// The view and the form that the options ask for.
View view_of(const RunOptions& opts);
Form form_of(const RunOptions& opts);

// What the command line asks the run to do: a report, the usage text for
// too few arguments (an error where long options were given), the help,
// the version, or nothing, for a command line that cannot be followed.
enum class Request { report, usage, usage_error, help, version, bad_argument };

// Why a command line cannot be followed, and the text at fault: for an
// empty period, the values of --since (text) and --until (other); for
// options that cannot be combined, the two.
struct BadArgument {
    enum class Kind {
        unknown_option,
        missing_value,
        invalid_time,
        empty_period,
        invalid_unit,
        invalid_threads,
        invalid_address,
        invalid_sort_key,
        invalid_top,
        cannot_combine
    };
    Kind kind = Kind::unknown_option;
    std::string_view text;
    std::string_view other;
    std::vector<std::string_view> choices; // the sort keys of the view
};

// Reads argv (argv[0] is the program's name). Every argument that begins
// with "--", up to one that is exactly "--", is a long option, wherever it
// stands; an option that takes a value has it after "=" or as the next
// argument. The last of the rest is the history file, the one before it
// the line name, and the one before that asks for the whole file when it
// is "-a"; with --files they are read from the front instead: "-a" if it
// comes first, the line name, then one or more files. now is the clock's
// reading, for the times that options name.
Request parse_arguments(int argc, const char* const* argv, std::int64_t now, RunOptions& opts,
                        BadArgument& bad);
