// collect.h - the history files read, by one thread or several, into what
// the printers show.
#pragma once

#include "history/file_parts.h"
#include "history/reader.h"
#include "stats/tally.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The history files of the run, open; closed on every way out of it.
struct HistoryFiles {
    std::vector<const char*> paths; // as given, "-" for the standard input
    std::vector<int> fds;
    HistoryFiles() = default;
    HistoryFiles(const HistoryFiles&) = delete;
    HistoryFiles& operator=(const HistoryFiles&) = delete;
    ~HistoryFiles();
};

// What reading the history gives the printers.
struct Collected {
    // In file order, one table for each part read apart: the sessions where
    // the view keeps them; else the texts that the sums name.
    SessionTables tables;
    Tally tally;
    ReadNotes notes;
    // Every line selected, by the place that sessions and groups give:
    // the names given whole, then those that patterns matched.
    std::vector<std::string_view> line_names;
};

// The fewest bytes of a file that one more reading thread is given: below
// this it costs more than it gains.
inline constexpr std::uint64_t least_part_bytes = 8 * 1024 * 1024;

// Which parts the files are read into: the ranges of each file read in
// parts (none for one read whole), and the first part each fills.
struct PartPlan {
    std::vector<std::vector<FileRange>> ranges;
    std::vector<std::size_t> first_part;
    std::size_t parts = 0;
};

// Splits each plain file on disk into parts for threads threads where it
// is large enough, or whatever its size where the threads were given
// (given is not 0). Each file read in parts gets parts of its own; the
// files read whole that follow one another share one.
PartPlan plan_parts(const HistoryFiles& files, std::size_t threads, bool given);

// Reads the history files one after the other, as one history: a large
// regular file in parts at once, on as many threads as threads_given (0:
// as pay) allows, each part tallied as the plan says. False, having said
// why, when a file cannot be read.
bool collect(const HistoryFiles& files, std::size_t threads_given, const TallyPlan& plan,
             const Selection& sel, Collected& c, int err_fd);
