// calls.h - the table of calls: each remote system's calls, failures, and
// its latest and latest good call.
#pragma once

#include "report/writer.h"
#include "stats/calls.h"
#include "stats/order.h"

#include <optional>

#include <vector>

// Prints a row for each system, in table order, a row for the systems cut
// where there are any, then the totals line.
void print_calls(Writer& out, const CallSums& calls, const std::optional<RowsCut>& cut = std::nullopt);
