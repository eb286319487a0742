// session_log.h - the table of single sessions and its count line.
#pragma once

#include "history/session_table.h"
#include "report/writer.h"

#include <string_view>

// Prints every session in file order, then the count line with version;
// with full_time each row shows the date with the time.
void print_session_log(Writer& out, const SessionTable& sessions, std::string_view version,
                       bool full_time = false);
