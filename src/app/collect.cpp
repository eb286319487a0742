// collect.cpp - the history files read, by one thread or several, into
// what the printers show.
#include "app/collect.h"

#include "app/messages.h"
#include "history/file_parts.h"
#include "history/workers.h"

#include <string_view>
#include <unistd.h>

HistoryFiles::~HistoryFiles()
{
    for (const int fd : fds)
        if (fd != STDIN_FILENO)
            ::close(fd);
}

namespace {

// What one part of the history gives besides its table.
struct PartSums {
    ReadNotes notes;
    PartTally tally;
};

// Tells why a history file could not be read.
void say_unread(int err_fd, const char* path, ReadStatus status)
{
    if (status == ReadStatus::compressed)
        put_message(err_fd, "Cannot read input file '", path,
                    "': it is compressed, and this build reads plain files only.\n");
    else
        put_message(err_fd, "Cannot read input file '", path, "'.\n");
}

// Reads one file whole into part first, or its ranges into the parts
// from first on, at once.
ReadStatus read_file(int fd, const std::vector<FileRange>& ranges, std::size_t first,
                     const Selection& sel, SessionTables& tables, std::vector<PartSums>& sums,
                     const std::vector<SessionSink>& sinks)
{
    if (ranges.empty())
        return read_history_file(fd, sel, tables[first], sums[first].notes, sinks[first]);
    std::vector<ReadStatus> statuses(ranges.size(), ReadStatus::ok);
    run_together(ranges.size(), [&](std::size_t k) {
        const std::size_t p = first + k;
        statuses[k] = read_history_range(fd, ranges[k], sel, tables[p], sums[p].notes, sinks[p]);
    });
    for (const ReadStatus s : statuses)
        if (s != ReadStatus::ok)
            return s;
    return ReadStatus::ok;
}

} // namespace

PartPlan plan_parts(const HistoryFiles& files, std::size_t threads, bool given)
{
    PartPlan plan;
    plan.ranges.resize(files.fds.size());
    plan.first_part.resize(files.fds.size());
    bool shared = false; // the last part takes whole files
    for (std::size_t i = 0; i < files.fds.size(); ++i) {
        std::vector<FileRange>& ranges = plan.ranges[i];
        if (threads > 1 && std::string_view(files.paths[i]) != "-")
            ranges = split_history(files.fds[i], threads, given ? 0 : least_part_bytes);
        if (ranges.empty() && !shared)
            ++plan.parts;
        plan.first_part[i] = ranges.empty() ? plan.parts - 1 : plan.parts;
        plan.parts += ranges.size();
        shared = ranges.empty();
    }
    plan.parts = std::max<std::size_t>(plan.parts, 1);
    return plan;
}

bool collect(const HistoryFiles& files, std::size_t threads_given, const TallyPlan& plan,
             const Selection& sel, Collected& c, int err_fd)
{
    const std::size_t threads = threads_given > 0 ? threads_given : processors_available();
    const PartPlan parts_plan = plan_parts(files, threads, threads_given > 0);
    const std::size_t parts = parts_plan.parts;
    c.tables.resize(parts);
    std::vector<PartSums> sums(parts);
    std::vector<SessionSink> sinks(parts);
    for (std::size_t p = 0; p < parts; ++p)
        sinks[p] = start_part(sums[p].tally, plan, c.tables[p]);
    for (std::size_t i = 0; i < files.fds.size(); ++i) {
        const ReadStatus status = read_file(files.fds[i], parts_plan.ranges[i],
                                            parts_plan.first_part[i], sel, c.tables, sums, sinks);
        if (status != ReadStatus::ok) {
            say_unread(err_fd, files.paths[i], status);
            return false;
        }
    }
    run_together(parts, [&](std::size_t p) { order_part(sums[p].tally, plan, c.tables[p]); });
    c.notes = std::move(sums.front().notes);
    for (std::size_t p = 1; p < parts; ++p) {
        add_notes(c.notes, sums[p].notes);
        join_parts(sums.front().tally, sums[p].tally, plan);
    }
    c.line_names = selected_line_names(sel);
    c.tally = finish_tally(std::move(sums.front().tally), plan, c.line_names);
    return true;
}
