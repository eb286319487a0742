// run.cpp - the run driver: arguments, phases, messages and exit status.
#include "app/run.h"

#include "history/reader.h"
#include "report/json.h"
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

// The usage text and a line for each long option.
void print_help(Writer& out)
{
    print_usage(out);
    out.put("  --all        - the same as -a, anywhere on the command line.\n"
            "  --since=WHEN - only sessions that started at WHEN or later.\n"
            "  --until=WHEN - only sessions that started at WHEN or earlier.\n"
            "  --full-time  - the date of each session in the log, with the time.\n"
            "  --summary    - the summary table alone.\n"
            "  --json       - the report as one JSON document.\n"
            "  --help       - this text.\n");
}

// Tells why the command line cannot be followed.
void print_bad_argument(int fd, const BadArgument& bad)
{
    switch (bad.kind) {
    case BadArgument::Kind::unknown_option:
        put_message(fd, "Unknown option '", bad.text, "'.\n");
        break;
    case BadArgument::Kind::missing_value:
        put_message(fd, "Missing value in '", bad.text, "'.\n");
        break;
    case BadArgument::Kind::invalid_time:
        put_message(fd, "Invalid time '", bad.text, "'.\n");
        break;
    }
}

// Writes out what out holds; on failure says so. Returns the exit status.
int finish(Writer& out, int err_fd)
{
    if (!out.flush()) {
        put_message(err_fd, "Cannot write report.\n");
        return 1;
    }
    return 0;
}

// Tells how many history lines were left out for lack of fields.
void print_skipped(int fd, std::uint64_t skipped)
{
    char digits[24];
    const auto r = std::to_chars(digits, digits + sizeof digits, skipped);
    put_message(fd, "Skipped ", std::string_view(digits, static_cast<std::size_t>(r.ptr - digits)),
                skipped == 1 ? " incomplete history line.\n" : " incomplete history lines.\n");
}

// Tells of each selected line that no line of the file names, and then
// which lines the file does name.
void print_unnamed_lines(int fd, const Selection& sel, const ReadNotes& notes)
{
    bool any = false;
    for (std::size_t i = 0; i < sel.line_names.size(); ++i) {
        if (!notes.named[i]) {
            put_message(fd, "No line of the file names '", sel.line_names[i], "'.\n");
            any = true;
        }
    }
    if (!any || notes.names_in_file.empty())
        return;
    // Built on the stack: nothing after the report may need memory.
    char list[64 + listed_names * 40];
    std::size_t n = 0;
    const auto add = [&](std::string_view text) {
        text.copy(list + n, text.size());
        n += text.size();
    };
    add("Lines in the file: ");
    for (std::size_t i = 0; i < notes.names_in_file.size(); ++i) {
        if (i > 0)
            add(", ");
        add(i < listed_names ? std::string_view(notes.names_in_file[i]) : "...");
    }
    add(notes.names_in_file.size() <= listed_names ? ".\n" : "\n");
    put_message(fd, std::string_view(list, n));
}

// What the JSON report tells besides the tables: the window is the period
// asked for, with its open ends, or the one that the scope gave.
JsonReport json_report_of(const RunOptions& opts, const Selection& sel, const ReadNotes& notes)
{
    JsonReport report{version_text, opts.line_name, {}, {}, sel.line_names, notes.skipped};
    if (opts.since || opts.until) {
        report.from = opts.since;
        report.to = opts.until;
    } else if (sel.window) {
        report.from = sel.window->from;
        report.to = sel.window->to;
    }
    return report;
}

// The summary, and the session log unless the summary is all.
void print_tables(Writer& out, const RunOptions& opts, const SystemTable& systems,
                  std::uint64_t session_count, const SessionTable& sessions)
{
    print_summary(out, systems, session_count, !opts.summary_only);
    if (!opts.summary_only)
        print_session_log(out, sessions, version_text, opts.full_time);
}

// Closes the history file on every way out of the run.
struct FdCloser {
    int fd; // -1: none to close
    ~FdCloser()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

std::int64_t system_clock()
{
    return static_cast<std::int64_t>(std::time(nullptr));
}

TimeWindow recent_window(std::int64_t first, std::int64_t second)
{
    constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
    TimeWindow window;
    window.from = first < lowest + seconds_per_day ? lowest : first - seconds_per_day;
    window.to = second;
    return window;
}

Selection selection_of(const RunOptions& opts, std::int64_t first, std::int64_t second)
{
    Selection sel = select_lines(opts.line_name);
    // A period replaces the last 24 hours, and holds over the whole file too.
    if (opts.since || opts.until)
        sel.window = TimeWindow{opts.since.value_or(std::numeric_limits<std::int64_t>::min()),
                                opts.until.value_or(std::numeric_limits<std::int64_t>::max())};
    else if (opts.scope == ReportScope::recent)
        sel.window = recent_window(first, second);
    return sel;
}

int run(int argc, const char* const* argv, int out_fd, int err_fd, Clock clock)
{
    // Printing allocates nothing: the buffer is taken here, before reading.
    Writer out(out_fd, ::isatty(out_fd) == 1);
    // The zone first: loading it needs a descriptor of its own, and where
    // the history file took the last one, local time would silently be UTC.
    // Options that name local times need it too.
    tzset();
    // Two readings one right after the other: the 24 hours end at the
    // second, and everything else counts from the first.
    const std::int64_t first = clock();
    const std::int64_t second = clock();

    RunOptions opts;
    BadArgument bad;
    switch (parse_arguments(argc, argv, first, opts, bad)) {
    case Request::bad_argument:
        print_bad_argument(err_fd, bad);
        return 1;
    case Request::help:
        print_help(out);
        return finish(out, err_fd);
    case Request::usage:
        print_usage(out);
        return finish(out, err_fd);
    case Request::report:
        break;
    }

    // "-" is the standard input, as for the tools around.
    const bool from_stdin = std::string_view(opts.history_path) == "-";
    const int fd = from_stdin ? STDIN_FILENO : ::open(opts.history_path, O_RDONLY);
    if (fd < 0) {
        put_message(err_fd, "Cannot open input file '", opts.history_path, "'.\n");
        return 1;
    }
    const FdCloser closer{from_stdin ? -1 : fd};

    const Selection sel = selection_of(opts, first, second);
    SessionTable sessions;
    ReadNotes notes;
    // The summary alone needs no session kept: each is summed as it comes.
    SystemSums sums;
    SessionSink sink;
    if (opts.summary_only)
        sink = {[](void* sums, const SessionTable& table, const Session& s) {
                    add_session(*static_cast<SystemSums*>(sums), table, s);
                },
                &sums};
    if (read_history(fd, sel, sessions, notes, sink) != ReadStatus::ok) {
        put_message(err_fd, "Cannot read input file '", opts.history_path, "'.\n");
        return 1;
    }

    SystemTable systems = opts.summary_only ? std::move(sums.systems) : build_system_stats(sessions);
    if (systems.size() > 1)
        sort_systems(systems);
    const std::uint64_t count = opts.summary_only ? sums.sessions : sessions.count;
    if (opts.json)
        print_json(out, json_report_of(opts, sel, notes), systems, count,
                   opts.summary_only ? nullptr : &sessions);
    else
        print_tables(out, opts, systems, count, sessions);
    const bool written = out.flush();

    if (notes.skipped > 0)
        print_skipped(err_fd, notes.skipped);
    print_unnamed_lines(err_fd, sel, notes);
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
