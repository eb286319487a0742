// reader.h - a history file read into a session table.
#pragma once

#include "history/selection.h"
#include "history/session_table.h"

#include <cstdint>

enum class ReadStatus { ok, read_error };

// Reads fd to its end, adding the sessions that sel selects to table, in
// file order; counts the incomplete lines of the selected line in skipped.
// A last line with no line feed is ignored.
ReadStatus read_history(int fd, const Selection& sel, SessionTable& table,
                        std::uint64_t& skipped);
