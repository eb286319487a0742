// collect.h - the history files read, by one thread or several, into what
// the printers show.
#pragma once

#include "app/options.h"
#include "history/reader.h"
#include "stats/calls.h"
#include "stats/groups.h"
#include "stats/stats.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The history files of the run, open; closed on every way out of it.
struct HistoryFiles {
    std::vector<int> fds;
    HistoryFiles() = default;
    HistoryFiles(const HistoryFiles&) = delete;
    HistoryFiles& operator=(const HistoryFiles&) = delete;
    ~HistoryFiles();
};

// What reading the history gives the printers.
struct Collected {
    View view = View::report;
    // In file order, one table for each part read apart: the sessions where
    // the log is printed; else the texts that the sums name.
    SessionTables tables;
    SystemTable systems; // in address order
    std::vector<Group> groups;
    GroupUnit unit = GroupUnit::day; // of the groups
    CallSums calls;
    std::uint64_t session_count = 0;
    bool log_kept = true; // the page's log: all sessions of the period are in tables
    ReadNotes notes;
    std::size_t threads = 1; // to print the log with
};

// The fewest bytes of a file that one more reading thread is given: below
// this it costs more than it gains.
inline constexpr std::uint64_t least_part_bytes = 8 * 1024 * 1024;

// The fewest sessions of a log that several threads print: a shorter one
// is printed sooner by one.
inline constexpr std::uint64_t least_log_part = 131072;

// Reads the history files one after the other, as one history: a large
// regular file in parts at once, on as many threads as opts allows and
// pay. The report's log keeps the sessions; every other view sums them as
// they come and keeps none. False, having said why, when a file cannot be
// read.
bool collect(const HistoryFiles& files, const RunOptions& opts, const Selection& sel, Collected& c,
             int err_fd);
