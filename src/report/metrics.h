// metrics.h - the counters of each remote system on each line, in the
// text format that monitoring systems read (version 0.0.4).
#pragma once

#include "report/writer.h"
#include "stats/metrics.h"

#include <cstdint>
#include <string_view>
#include <vector>

// Prints each family with its help and type, a sample for each line and
// system, labelled line and address: the counters of sessions, time
// online, bytes sent and received, calls and failed calls, the gauges of
// the latest call and the latest good one (no sample where there is none),
// and the gauge of the incomplete lines skipped. A label's controls and
// bytes that are not UTF-8 show as '?', and rows whose labels then read
// the same are one series.
void print_metrics(Writer& out, const std::vector<MetricRow>& rows,
                   const std::vector<std::string_view>& line_names, std::uint64_t skipped);
