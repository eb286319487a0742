// run.cpp - the run driver: arguments, phases, messages and exit status.
#include "app/run.h"

#include "history/reader.h"
#include "report/local_time.h"
#include "report/session_log.h"
#include "report/summary.h"
#include "report/writer.h"
#include "stats/stats.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <limits>
#include <time.h>
#include <unistd.h>

namespace {

// Name and version, with the platform suffix.
constexpr std::string_view version_text = "Qelmar v0.4/bsd";

// Release date printed beside the version in the usage text.
constexpr std::string_view release_date = "05-06-02";

// Writes one message to fd; messages also follow the report, so nothing
// here allocates. A message that cannot be written is lost.
void put_message(int fd, std::string_view a, std::string_view b = {}, std::string_view c = {})
{
    write_all(fd, a, b, c);
}

void print_usage(Writer& out)
{
    out.put(version_text);
    out.put(' ');
    out.put(release_date);
    out.put(" by the Qelmar authors\n"
            "Usage: qelmar [-a] name_line hist_file\n"
            "Example: qelmar cuaa1 /var/spool/ftn/history\n"
            "  name_line - name line, cuaa1 or ttyS1 or tcpip or other.\n"
            "  -a        - statistics for all hist_file current name_line.\n");
}

// Tells how many history lines were left out for lack of fields.
void print_skipped(int fd, std::uint64_t skipped)
{
    char digits[24];
    const auto r = std::to_chars(digits, digits + sizeof digits, skipped);
    put_message(fd, "Skipped ", std::string_view(digits, static_cast<std::size_t>(r.ptr - digits)),
                skipped == 1 ? " incomplete history line.\n" : " incomplete history lines.\n");
}

// Closes the history file on every way out of the run.
struct FdCloser {
    int fd;
    ~FdCloser() { ::close(fd); }
};

} // namespace

std::int64_t system_clock()
{
    return static_cast<std::int64_t>(std::time(nullptr));
}

bool parse_arguments(int argc, const char* const* argv, RunOptions& opts)
{
    if (argc <= 2)
        return false;
    opts.history_path = argv[argc - 1];
    opts.line_name = argv[argc - 2];
    // With two arguments the option slot is the program's own name.
    opts.scope = std::string_view(argv[argc - 3]) == "-a" ? ReportScope::all
                                                         : ReportScope::recent;
    return true;
}

Selection selection_of(const RunOptions& opts, Clock clock)
{
    Selection sel;
    sel.line_name = opts.line_name;
    if (opts.scope == ReportScope::recent)
        sel.window = recent_window(clock);
    return sel;
}

TimeWindow recent_window(Clock clock)
{
    const std::int64_t first = clock();
    const std::int64_t second = clock();
    constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
    TimeWindow window;
    window.from = first < lowest + seconds_per_day ? lowest : first - seconds_per_day;
    window.to = second;
    return window;
}

int run(int argc, const char* const* argv, int out_fd, int err_fd, Clock clock)
{
    // Printing allocates nothing: the buffer is taken here, before reading.
    Writer out(out_fd, ::isatty(out_fd) == 1);

    RunOptions opts;
    if (!parse_arguments(argc, argv, opts)) {
        print_usage(out);
        if (!out.flush()) {
            put_message(err_fd, "Cannot write report.\n");
            return 1;
        }
        return 0;
    }

    // The zone first: loading it needs a descriptor of its own, and where
    // the history file took the last one, local time would silently be UTC.
    tzset();
    const int fd = ::open(opts.history_path, O_RDONLY);
    if (fd < 0) {
        put_message(err_fd, "Cannot open input file '", opts.history_path, "'.\n");
        return 1;
    }
    const FdCloser closer{fd};

    SessionTable sessions;
    std::uint64_t skipped = 0;
    if (read_history(fd, selection_of(opts, clock), sessions, skipped) != ReadStatus::ok) {
        put_message(err_fd, "Cannot read input file '", opts.history_path, "'.\n");
        return 1;
    }

    SystemTable systems = build_system_stats(sessions);
    if (systems.size() > 1)
        sort_systems(systems);
    print_summary(out, systems, sessions.count);
    print_session_log(out, sessions, version_text);
    const bool written = out.flush();

    if (skipped > 0)
        print_skipped(err_fd, skipped);
    if (!written) {
        put_message(err_fd, "Cannot write report.\n");
        return 1;
    }
    return 0;
}

void fail_out_of_memory()
{
    put_message(STDOUT_FILENO, "Not enough memory to allocate buffer\n");
    std::_Exit(1);
}
