// groups.h - the table of groups: sums by a span of the local clock, or by
// line, one row to a group.
#pragma once

#include "report/writer.h"
#include "stats/groups.h"
#include "stats/order.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// The longest label of a group of time.
inline constexpr std::size_t group_label_max = 48;

// The label of a group: "2026-11-03 14:00", "2026-11-03", "2026-W45",
// "2026-11", "2026", the line's name, or "?" for starts that the host
// cannot convert. label needs group_label_max bytes.
std::string_view group_label(const Group& g, GroupUnit unit,
                             const std::vector<std::string_view>& line_names, char* label);

// Prints the groups, one row each in the summary's columns, and the totals
// line with the number of rows in the unit's word.
void print_groups(Writer& out, const std::vector<Group>& rows, GroupUnit unit,
                  const std::vector<std::string_view>& line_names, std::uint64_t session_count,
                  const std::optional<RowsCut>& cut = std::nullopt);
