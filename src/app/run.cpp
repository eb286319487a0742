// run.cpp - the run driver: arguments, open, collect, print, finish.
#include "app/run.h"

#include "app/collect.h"
#include "app/messages.h"
#include "app/options.h"
#include "report/calls.h"
#include "report/groups.h"
#include "report/html.h"
#include "report/json.h"
#include "report/session_log.h"
#include "report/summary.h"
#include "report/writer.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
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

// Prints the report in the view and the form that the options ask for.
void print_report(Writer& out, const RunOptions& opts, const Selection& sel,
                  const std::optional<Period>& period, const Collected& c, std::int64_t made,
                  LogRoom& room)
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
        page.log = c.log_kept ? &c.tables : nullptr;
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
            print_json(out, report, c.systems, c.session_count, log ? &c.tables : nullptr);
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
        print_session_log(out, c.tables, version_text, opts.full_time, &room);
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

    // The log's room is taken before anything is printed, as all else is.
    LogRoom room;
    if (collected.view == View::report && !opts.json)
        room = log_room(collected.tables, collected.threads);
    print_report(out, opts, sel, period, collected, first, room);
    return finish(out, err_fd, sel, collected.notes, files.fds.size() > 1);
}

void fail_out_of_memory()
{
    put_message(STDOUT_FILENO, "Not enough memory to allocate buffer\n");
    std::_Exit(1);
}
