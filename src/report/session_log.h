// session_log.h - the table of single sessions and its count line.
#pragma once

#include "history/session_table.h"
#include "report/writer.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// A stretch of the log that one thread formats while others format the
// ones after it: the sessions of one table from one of its marks on.
struct LogStretch {
    const SessionTable* table = nullptr;
    SessionCursor from;
    std::uint64_t count = 0;
};

// Room for the text of one stretch, and what became of it.
struct LogSlot {
    std::unique_ptr<char[]> bytes;
    std::size_t stretch = 0; // the stretch it is for next
    bool filled = false;     // it holds that stretch's text
    std::size_t size = 0;
    // Where the text outgrew the room: the sessions left for the writing
    // thread.
    SessionCursor rest;
    std::uint64_t left = 0;
};

// What formatting the log on several threads needs, all taken before any
// of the report is printed: two slots for each thread that formats, none
// where one thread formats it.
struct LogRoom {
    std::vector<LogStretch> stretches;
    std::vector<LogSlot> slots;
};

// The room for threads threads to format the log of tables, where it is
// long enough for them to gain.
LogRoom log_room(const SessionTables& tables, std::size_t threads);

// Prints every session in file order, then the count line with version;
// with full_time each row shows the date with the time. Where room has
// slots, stretches of the log are formatted on several threads at once and
// written in order.
void print_session_log(Writer& out, const SessionTables& tables, std::string_view version,
                       bool full_time = false, LogRoom* room = nullptr);
