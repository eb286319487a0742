// run.cpp - the run driver: arguments, open, collect, print, finish.
#include "app/run.h"

#include "app/messages.h"
#include "app/options.h"
#include "history/reader.h"
#include "report/calls.h"
#include "report/groups.h"
#include "report/html.h"
#include "report/json.h"
#include "report/session_log.h"
#include "report/summary.h"
#include "report/writer.h"
#include "stats/page.h"
#include "stats/stats.h"
#include "time/calendar.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <limits>
#include <string_view>
#include <vector>
#include <time.h>
#include <unistd.h>

namespace {

// Writes out what out holds; on failure says so. Returns the exit status.
int flush_answer(Writer& out, int err_fd)
{
    if (!out.flush()) {
        put_message(err_fd, "Cannot write report.\n");
        return 1;
    }
    return 0;
}

// Answers a command line that asks for no report. Returns the exit status.
int answer_without_report(Request request, const BadArgument& bad, Writer& out, int err_fd)
{
    switch (request) {
    case Request::bad_argument:
        print_bad_argument(err_fd, bad);
        return 1;
    case Request::help:
        print_help(out);
        break;
    case Request::version:
        out.put(version_text);
        out.put('\n');
        break;
    case Request::usage_error: {
        // Options were given, so a report was wanted: the usage is an error.
        Writer err(err_fd);
        print_usage(err);
        err.flush();
        return 1;
    }
    case Request::usage:
    case Request::report:
        print_usage(out);
        break;
    }
    return flush_answer(out, err_fd);
}

// Opens a history file, "-" being the standard input, as for the tools
// around; -1 when it cannot be opened.
int open_history(const char* path)
{
    return std::string_view(path) == "-" ? STDIN_FILENO : ::open(path, O_RDONLY);
}

// The history files of the run, open; closed on every way out of it.
struct HistoryFiles {
    std::vector<int> fds;
    HistoryFiles() = default;
    HistoryFiles(const HistoryFiles&) = delete;
    HistoryFiles& operator=(const HistoryFiles&) = delete;
    ~HistoryFiles()
    {
        for (const int fd : fds)
            if (fd != STDIN_FILENO)
                ::close(fd);
    }
};

// Opens every history file before any is read; false, having said which,
// at the first that cannot be opened.
bool open_histories(const RunOptions& opts, HistoryFiles& files, int err_fd)
{
    for (const char* path : opts.history_paths) {
        const int fd = open_history(path);
        if (fd < 0) {
            put_message(err_fd, "Cannot open input file '", path, "'.\n");
            return false;
        }
        files.fds.push_back(fd);
    }
    return true;
}

// What reading the history gives the printers.
struct Collected {
    View view = View::report;
    SessionTable sessions; // in file order where the log is printed; else texts only
    SystemTable systems;   // in address order
    std::vector<Group> groups;
    GroupUnit unit = GroupUnit::day; // of the groups
    CallSums calls;
    std::uint64_t session_count = 0;
    bool log_kept = true; // the page's log: all sessions of the period are in sessions
    ReadNotes notes;
};

// to - from, from being at most to; the largest span where 64 bits do not
// hold it.
std::int64_t span_between(std::int64_t from, std::int64_t to)
{
    const std::uint64_t span = static_cast<std::uint64_t>(to) - static_cast<std::uint64_t>(from);
    return span > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())
               ? std::numeric_limits<std::int64_t>::max()
               : static_cast<std::int64_t>(span);
}

// The groups that the page's chart shows: by the unit given, or by one the
// span of the period or of the starts calls for.
void chart_groups(PageSums& page, const RunOptions& opts, const Selection& sel, Collected& c)
{
    std::optional<std::int64_t> span;
    if (opts.period.since && opts.period.until)
        span = span_between(*opts.period.since, *opts.period.until);
    else if (!opts.period.since && !opts.period.until && opts.scope == ReportScope::recent)
        span = seconds_per_day;
    else if (page.first_start)
        span = span_between(*page.first_start, *page.last_start);
    c.unit = chart_unit(opts.by, span);
    if (c.unit == GroupUnit::hour && !opts.by)
        c.groups = group_rows(std::move(page.hours), sel.line_names);
    else if (opts.by || c.unit == GroupUnit::day)
        c.groups = group_rows(std::move(page.groups), sel.line_names);
    else
        c.groups = group_rows(regroup(std::move(page.groups), c.unit), sel.line_names);
}

// The sink that sums each session into sums as it comes.
template <class Sums, void (*add)(Sums&, const SessionTable&, const Session&)>
SessionSink sink_into(Sums& sums)
{
    return {[](void* context, const SessionTable& table, const Session& s) {
                add(*static_cast<Sums*>(context), table, s);
            },
            &sums};
}

// Reads the history files one after the other, as one history. The
// report's log keeps the sessions; every other view sums them as they come
// and keeps none. False, having said why, when a file cannot be read.
bool collect(const HistoryFiles& files, const RunOptions& opts, const Selection& sel, Collected& c,
             int err_fd)
{
    c.view = view_of(opts);
    SystemSums system_sums;
    GroupSums group_sums;
    group_sums.unit = opts.by.value_or(GroupUnit::day);
    PageSums page;
    page.groups.unit = opts.by.value_or(GroupUnit::day);
    page.hours.unit = GroupUnit::hour;
    page.hours_wanted = !opts.by;
    page.log = &c.sessions;
    SessionSink sink;
    switch (c.view) {
    case View::report:
        break;
    case View::summary:
        sink = sink_into<SystemSums, add_session>(system_sums);
        break;
    case View::groups:
        sink = sink_into<GroupSums, add_to_group>(group_sums);
        break;
    case View::calls:
        sink = sink_into<CallSums, add_call>(c.calls);
        break;
    case View::html:
        sink = sink_into<PageSums, add_to_page>(page);
        break;
    }
    for (std::size_t i = 0; i < files.fds.size(); ++i) {
        const char* path = opts.history_paths[i];
        switch (read_history_file(files.fds[i], sel, c.sessions, c.notes, sink)) {
        case ReadStatus::ok:
            continue;
        case ReadStatus::read_error:
            put_message(err_fd, "Cannot read input file '", path, "'.\n");
            return false;
        case ReadStatus::compressed:
            put_message(err_fd, "Cannot read input file '", path,
                        "': it is compressed, and this build reads plain files only.\n");
            return false;
        }
    }
    switch (c.view) {
    case View::report:
        c.systems = build_system_stats(c.sessions);
        c.session_count = c.sessions.count;
        break;
    case View::summary:
        c.systems = std::move(system_sums.systems);
        c.session_count = system_sums.sessions;
        break;
    case View::groups:
        c.session_count = group_sums.sessions;
        c.groups = group_rows(std::move(group_sums), sel.line_names);
        break;
    case View::calls:
        c.session_count = c.calls.calls;
        sort_calls(c.calls.systems);
        break;
    case View::html:
        c.systems = std::move(page.systems.systems);
        // Calls of no time online named systems too; only sessions count.
        std::erase_if(c.systems, [](const SystemStats& sys) { return sys.sums.sessions == 0; });
        c.session_count = page.sessions;
        c.calls = std::move(page.calls);
        sort_calls(c.calls.systems);
        c.log_kept = page.sessions <= page_log_limit;
        chart_groups(page, opts, sel, c);
        break;
    }
    if (c.systems.size() > 1)
        sort_systems(c.systems);
    return true;
}

// Prints the report in the view and the form that the options ask for.
void print_report(Writer& out, const RunOptions& opts, const Selection& sel,
                  const std::optional<Period>& period, const Collected& c, std::int64_t made)
{
    const bool log = c.view == View::report;
    if (c.view == View::html) {
        HtmlPage page;
        page.version = version_text;
        page.line = opts.line_name;
        page.whole_file = !period;
        if (period) {
            page.from = period->since;
            page.to = period->until;
        }
        page.made = made;
        page.systems = &c.systems;
        page.session_count = c.session_count;
        page.groups = &c.groups;
        page.unit = c.unit;
        page.line_names = &sel.line_names;
        page.calls = &c.calls;
        page.log = c.log_kept ? &c.sessions : nullptr;
        print_html(out, page);
        return;
    }
    if (opts.json) {
        JsonReport report{version_text, opts.line_name, {}, {}, sel.line_names, c.notes.skipped};
        if (period) {
            report.from = period->since;
            report.to = period->until;
        }
        if (c.view == View::groups)
            print_json_groups(out, report, c.groups, *opts.by, c.session_count);
        else if (c.view == View::calls)
            print_json_calls(out, report, c.calls.systems, c.calls.calls, c.calls.failed);
        else
            print_json(out, report, c.systems, c.session_count, log ? &c.sessions : nullptr);
        return;
    }
    if (c.view == View::groups) {
        print_groups(out, c.groups, *opts.by, sel.line_names, c.session_count);
        return;
    }
    if (c.view == View::calls) {
        print_calls(out, c.calls.systems, c.calls.calls, c.calls.failed);
        return;
    }
    print_summary(out, c.systems, c.session_count, log);
    if (log)
        print_session_log(out, c.sessions, version_text, opts.full_time);
}

// Writes out the report, then the notices. Returns the exit status.
int finish(Writer& out, int err_fd, const Selection& sel, const ReadNotes& notes, bool several_files)
{
    const bool written = out.flush();
    if (notes.skipped > 0)
        print_skipped(err_fd, notes.skipped);
    print_unnamed_lines(err_fd, sel, notes, several_files);
    if (!written) {
        put_message(err_fd, "Cannot write report.\n");
        return 1;
    }
    return 0;
}

} // namespace

std::int64_t system_clock()
{
    return static_cast<std::int64_t>(std::time(nullptr));
}

Selection selection_of(std::string_view name_line, const std::optional<Period>& period)
{
    Selection sel = select_lines(name_line);
    if (period)
        sel.window = TimeWindow{first_start(*period), last_start(*period)};
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
    const Request request = parse_arguments(argc, argv, first, opts, bad);
    if (request != Request::report)
        return answer_without_report(request, bad, out, err_fd);
    print_ignored(err_fd, opts.ignored);

    HistoryFiles files;
    if (!open_histories(opts, files, err_fd))
        return 1;

    const std::optional<Period> period =
        reported_period(opts.period, opts.scope == ReportScope::all, first, second);
    Selection sel = selection_of(opts.line_name, period);
    sel.calls = opts.calls || opts.html;
    Collected collected;
    if (!collect(files, opts, sel, collected, err_fd))
        return 1;

    print_report(out, opts, sel, period, collected, first);
    return finish(out, err_fd, sel, collected.notes, files.fds.size() > 1);
}

void fail_out_of_memory()
{
    put_message(STDOUT_FILENO, "Not enough memory to allocate buffer\n");
    std::_Exit(1);
}
