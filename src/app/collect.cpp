// collect.cpp - the history files read, by one thread or several, into
// what the printers show.
#include "app/collect.h"

#include "app/messages.h"
#include "history/file_parts.h"
#include "history/workers.h"
#include "stats/page.h"
#include "time/calendar.h"

#include <limits>
#include <optional>
#include <string_view>
#include <unistd.h>

HistoryFiles::~HistoryFiles()
{
    for (const int fd : fds)
        if (fd != STDIN_FILENO)
            ::close(fd);
}

namespace {

// What one part of the history gives besides its table: its notes, and
// the sums of the view.
struct PartSums {
    ReadNotes notes;
    SystemSums systems;
    GroupSums groups;
    CallSums calls;
    PageSums page;
};

// The sink that sums each session into sums as it comes.
template <class Sums, void (*add)(Sums&, const SessionTable&, const Session&)>
SessionSink sink_into(Sums& sums)
{
    return {[](void* context, const SessionTable& table, const Session& s) {
                add(*static_cast<Sums*>(context), table, s);
            },
            &sums};
}

// Makes sums ready for the view, and returns the sink that feeds them;
// none where the sessions are kept in table.
SessionSink ready_sums(PartSums& sums, View view, const RunOptions& opts, SessionTable& table)
{
    switch (view) {
    case View::report:
        break;
    case View::summary:
        return sink_into<SystemSums, add_session>(sums.systems);
    case View::groups:
        sums.groups.unit = opts.by.value_or(GroupUnit::day);
        return sink_into<GroupSums, add_to_group>(sums.groups);
    case View::calls:
        return sink_into<CallSums, add_call>(sums.calls);
    case View::html:
        sums.page.groups.unit = opts.by.value_or(GroupUnit::day);
        sums.page.hours.unit = GroupUnit::hour;
        sums.page.hours_wanted = !opts.by;
        sums.page.log = &table;
        return sink_into<PageSums, add_to_page>(sums.page);
    }
    return {};
}

// Puts a part's systems and calls in address order, ready to be joined
// with the other parts'; for the report, sums its table first.
void order_part(PartSums& sums, View view, const SessionTable& table)
{
    switch (view) {
    case View::report:
        sums.systems.systems = build_system_stats(table);
        sort_systems(sums.systems.systems);
        break;
    case View::summary:
        sort_systems(sums.systems.systems);
        break;
    case View::groups:
        break;
    case View::calls:
        sort_calls(sums.calls.systems);
        break;
    case View::html:
        sort_systems(sums.page.systems.systems);
        sort_calls(sums.page.calls.systems);
        break;
    }
}

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

// Joins the parts' sums, in file order, into what the printers show.
void join_parts(std::vector<PartSums>& parts, const RunOptions& opts, const Selection& sel,
                Collected& c)
{
    PartSums& first = parts.front();
    c.notes = std::move(first.notes);
    for (std::size_t p = 1; p < parts.size(); ++p)
        add_notes(c.notes, parts[p].notes);
    switch (c.view) {
    case View::report:
    case View::summary:
        c.systems = std::move(first.systems.systems);
        c.session_count = first.systems.sessions;
        for (std::size_t p = 1; p < parts.size(); ++p) {
            merge_systems(c.systems, parts[p].systems.systems);
            c.session_count += parts[p].systems.sessions;
        }
        if (c.view == View::report)
            c.session_count = session_count(c.tables);
        break;
    case View::groups:
        for (std::size_t p = 1; p < parts.size(); ++p)
            merge_groups(first.groups, parts[p].groups);
        c.session_count = first.groups.sessions;
        c.groups = group_rows(std::move(first.groups), sel.line_names);
        break;
    case View::calls:
        c.calls = std::move(first.calls);
        for (std::size_t p = 1; p < parts.size(); ++p)
            merge_calls(c.calls, parts[p].calls);
        c.session_count = c.calls.calls;
        break;
    case View::html: {
        PageSums& page = first.page;
        for (std::size_t p = 1; p < parts.size(); ++p)
            merge_pages(page, parts[p].page);
        c.systems = std::move(page.systems.systems);
        // Calls of no time online named systems too; only sessions count.
        std::erase_if(c.systems, [](const SystemStats& sys) { return sys.sums.sessions == 0; });
        c.session_count = page.sessions;
        c.calls = std::move(page.calls);
        c.log_kept = page.sessions <= page_log_limit;
        chart_groups(page, opts, sel, c);
        break;
    }
    }
}

// Which parts the files are read into: the ranges of each file read in
// parts (none for one read whole), and the first part each fills.
struct PartPlan {
    std::vector<std::vector<FileRange>> ranges;
    std::vector<std::size_t> first_part;
    std::size_t parts = 0;
};

// Splits each plain file on disk into parts for threads threads where it
// is large enough, or whatever its size where the options set the count.
// Each file read in parts gets parts of its own; the files read whole that
// follow one another share one.
PartPlan plan_parts(const HistoryFiles& files, const RunOptions& opts, std::size_t threads)
{
    PartPlan plan;
    plan.ranges.resize(files.fds.size());
    plan.first_part.resize(files.fds.size());
    bool shared = false; // the last part takes whole files
    for (std::size_t i = 0; i < files.fds.size(); ++i) {
        std::vector<FileRange>& ranges = plan.ranges[i];
        if (threads > 1 && std::string_view(opts.history_paths[i]) != "-")
            ranges = split_history(files.fds[i], threads, opts.threads > 0 ? 0 : least_part_bytes);
        if (ranges.empty() && !shared)
            ++plan.parts;
        plan.first_part[i] = ranges.empty() ? plan.parts - 1 : plan.parts;
        plan.parts += ranges.size();
        shared = ranges.empty();
    }
    plan.parts = std::max<std::size_t>(plan.parts, 1);
    return plan;
}

// Tells why a history file could not be read.
void say_unread(int err_fd, const char* path, ReadStatus status)
{
    if (status == ReadStatus::compressed)
        put_message(err_fd, "Cannot read input file '", path,
                    "': it is compressed, and this build reads plain files only.\n");
    else
        put_message(err_fd, "Cannot read input file '", path, "'.\n");
}

} // namespace

bool collect(const HistoryFiles& files, const RunOptions& opts, const Selection& sel, Collected& c,
             int err_fd)
{
    c.view = view_of(opts);
    const std::size_t threads = opts.threads > 0 ? opts.threads : processors_available();
    const PartPlan plan = plan_parts(files, opts, threads);
    const std::size_t parts = plan.parts;
    c.tables.resize(parts);
    std::vector<PartSums> sums(parts);
    std::vector<SessionSink> sinks(parts);
    for (std::size_t p = 0; p < parts; ++p)
        sinks[p] = ready_sums(sums[p], c.view, opts, c.tables[p]);

    for (std::size_t i = 0; i < files.fds.size(); ++i) {
        const std::size_t first = plan.first_part[i];
        const std::vector<FileRange>& ranges = plan.ranges[i];
        ReadStatus status = ReadStatus::ok;
        if (ranges.empty()) {
            status = read_history_file(files.fds[i], sel, c.tables[first], sums[first].notes, sinks[first]);
        } else {
            std::vector<ReadStatus> statuses(ranges.size(), ReadStatus::ok);
            run_together(ranges.size(), [&](std::size_t k) {
                const std::size_t p = first + k;
                statuses[k] = read_history_range(files.fds[i], ranges[k], sel, c.tables[p],
                                                 sums[p].notes, sinks[p]);
            });
            for (const ReadStatus s : statuses)
                if (s != ReadStatus::ok)
                    status = s;
        }
        if (status != ReadStatus::ok) {
            say_unread(err_fd, opts.history_paths[i], status);
            return false;
        }
    }
    run_together(parts, [&](std::size_t p) { order_part(sums[p], c.view, c.tables[p]); });
    join_parts(sums, opts, sel, c);
    if (opts.threads > 0)
        c.threads = opts.threads;
    else if (c.view == View::report && c.session_count >= least_log_part)
        c.threads = threads;
    return true;
}
