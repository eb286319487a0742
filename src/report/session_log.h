// session_log.h - the table of single sessions and its count line.
#pragma once

#include "history/history.h"
#include "report/time_of_day.h"
#include "report/writer.h"

#include <cstdint>
#include <string_view>

// Prints start as local time of day, "hh:mm:ss ", or "??:??:?? " when the
// host cannot convert it.
void print_time_of_day(Writer& out, TimeOfDayCache& cache, std::int64_t start);

// Prints every session in file order, then the count line with version.
void print_session_log(Writer& out, const SessionTable& sessions, std::string_view version);
