// calls.h - the table of calls: each remote system's calls, failures, and
// its latest and latest good call.
#pragma once

#include "report/writer.h"
#include "stats/calls.h"

#include <vector>

// Prints a row for each system, in table order, then the totals line.
void print_calls(Writer& out, const CallSums& calls);
