// run.cpp - the run driver: arguments, open, collect, print, finish.
#include "app/run.h"

#include "app/collect.h"
#include "app/messages.h"
#include "app/options.h"
#include "report/report.h"
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

// The exit status of a run whose output was written, or could not be,
// having said so.
int written_status(bool written, int err_fd)
{
    if (written)
        return 0;
    put_message(err_fd, "Cannot write report.\n");
    return 1;
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
    return written_status(out.flush(), err_fd);
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
    files.paths = opts.history_paths;
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

// Writes out the report, then the notices. Returns the exit status.
int finish(Writer& out, int err_fd, const Selection& sel, const Collected& collected,
           bool several_files, bool failures)
{
    const ReadNotes& notes = collected.notes;
    const bool written = out.flush();
    if (notes.skipped > 0)
        print_skipped(err_fd, notes.skipped);
    print_unnamed_lines(err_fd, sel, notes, several_files);
    print_unmatched_addresses(err_fd, sel, notes, several_files);
    if (failures)
        print_failed_calls(err_fd, collected.tally.failed_calls, ::isatty(err_fd) == 1);
    return written_status(written, err_fd);
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
    // The output buffer is taken here, before reading; what printing needs
    // besides is taken before any of the report is put out.
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
    print_files_hint(err_fd, opts);
    print_ignored_options(err_fd, opts.ignored_options);

    HistoryFiles files;
    if (!open_histories(opts, files, err_fd))
        return 1;

    const View view = view_of(opts);
    const Form form = form_of(opts);
    const TallyPlan plan{view, opts.by,
                         reported_period(opts.period, opts.scope == ReportScope::all, first, second),
                         opts.sort, opts.top, tells_failures(view, form)};
    Selection sel = selection_of(opts.line_name, plan.period);
    sel.zero_online = zero_online_of(plan);
    sel.address_patterns = opts.address_patterns;
    Collected collected;
    if (!collect(files, opts.threads, plan, sel, collected, err_fd))
        return 1;

    const ReportHead head{version_text,   opts.line_name,        &opts.address_patterns,
                          plan.period,    &collected.line_names, collected.notes.skipped,
                          first,          opts.full_time,        opts.threads};
    print_report(out, view, form, head, collected.tally, collected.tables);
    return finish(out, err_fd, sel, collected, files.fds.size() > 1, plan.failures);
}

void fail_out_of_memory()
{
    put_message(STDOUT_FILENO, "Not enough memory to allocate buffer\n");
    std::_Exit(1);
}
