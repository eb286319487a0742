// session_log.h - the table of single sessions and its count line.
#pragma once

#include "history/session_table.h"
#include "report/writer.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// The fewest sessions of a log that several threads print by default: a
// shorter one is printed sooner by one.
inline constexpr std::uint64_t least_log_part = 131072;

// The threads that print a log of count sessions: as many as given, where
// given is not 0; else one for each processor for a long log, one for a
// short one.
std::size_t log_threads(std::uint64_t count, std::size_t given);

// What printing the log on several threads needs, all taken before any of
// the report is printed: the stretches of the log and the slots they are
// formatted into, which are the log's own. Empty where one thread prints.
struct LogRoom {
    struct Shares;
    std::unique_ptr<Shares> shares;

    LogRoom();
    LogRoom(LogRoom&&) noexcept;
    LogRoom& operator=(LogRoom&&) noexcept;
    ~LogRoom();
    // How many stretches several threads share; 0 where one prints.
    std::size_t stretches() const;
};

// The room for the threads that log_threads gives to format the log of
// tables, where it has stretches enough for them to gain.
LogRoom log_room(const SessionTables& tables, std::size_t given_threads);

// Prints every session in file order, then the count line with version;
// with full_time each row shows the date with the time. Where room has
// slots, stretches of the log are formatted on several threads at once and
// written in order.
void print_session_log(Writer& out, const SessionTables& tables, std::string_view version,
                       bool full_time = false, LogRoom* room = nullptr);
