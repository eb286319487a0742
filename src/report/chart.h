// chart.h - the page's chart of traffic: a bar for each group, sent and
// received stacked, as inline SVG.
#pragma once

#include "report/writer.h"
#include "stats/groups.h"
#include "stats/stats.h"

#include <string_view>
#include <vector>

// Prints the chart of groups of the unit under its heading; line_names
// name the groups by line. Each bar's exact figures are in its title.
void print_chart(Writer& out, const std::vector<Group>& groups, GroupUnit unit,
                 const std::vector<std::string_view>& line_names);

// Prints, where there are any systems, the chart of the busiest: a bar
// across for each, sent and received stacked, the most traffic first, with
// their exact figures in each bar's title.
void print_busiest_chart(Writer& out, const SystemTable& busiest);
