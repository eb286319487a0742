// reader.h - a history file read into a session table.
#pragma once

#include "history/file_parts.h"
#include "history/selection.h"
#include "history/session_table.h"

#include <cstdint>

#include <string>
#include <string_view>
#include <vector>

// How reading ended: the file read to its end, a read that failed, or a
// compressed file that this build cannot decompress.
enum class ReadStatus { ok, read_error, compressed };

// How many of the names in a file a notice lists, and how long a name it
// lists may be.
inline constexpr std::size_t listed_names = 10;
inline constexpr std::size_t longest_listed_name = 32;

// What reading tells besides the sessions.
struct ReadNotes {
    std::uint64_t skipped = 0; // incomplete lines of the selected lines
    // By place, the lines given whole and then the line patterns: some line
    // names it, or matches it.
    std::vector<bool> named;
    // Where some selected line is named by no line: the distinct first
    // fields that look like line names, in byte order, the first
    // listed_names of them and one more when there are more.
    std::vector<std::string> names_in_file;
    // By place among the address patterns: some address of the selected
    // lines matches it, whatever the period.
    std::vector<bool> matched;
};

// Takes each selected session instead of the table, which then keeps only
// the texts that the sessions name.
struct SessionSink {
    void (*take)(void* context, const SessionTable& table, const Session& s) = nullptr;
    void* context = nullptr;
    // Where set, takes the lines of no time online apart: the sessions go
    // on to take, or to the table where take is not set.
    void (*take_call)(void* context, const SessionTable& table, const Session& s) = nullptr;
};

// Reads fd to its end, first_bytes having been read from it already,
// adding the sessions that sel selects to table, in file order, or handing
// them to sink where it has a take. A last line with no line feed is
// ignored. Notes add up over several calls, as over several files.
ReadStatus read_history(int fd, const Selection& sel, SessionTable& table, ReadNotes& notes,
                        SessionSink sink = {}, std::string_view first_bytes = {});

// The same for a stretch of a regular file, read by place: fd's own place
// is neither used nor moved, so that several threads may read parts of one
// file at once.
ReadStatus read_history_range(int fd, FileRange range, const Selection& sel, SessionTable& table,
                              ReadNotes& notes, SessionSink sink = {});

// Adds the notes of the part of a history that comes next into notes.
void add_notes(ReadNotes& notes, const ReadNotes& next);

// The same for a history file as it lies on disk: plain, or compressed by
// gzip, bzip2, xz or zstd, which it decompresses as it reads. A compressed
// file that is corrupt or cut short is a read error.
ReadStatus read_history_file(int fd, const Selection& sel, SessionTable& table, ReadNotes& notes,
                             SessionSink sink = {});
