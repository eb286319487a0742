// selection.h - which lines of a history file the reader keeps.
#pragma once

#include "history/found_lines.h"
#include "history/text_pool.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

// Start times from..to, both inclusive, in seconds since the epoch.
struct TimeWindow {
    std::int64_t from = 0;
    std::int64_t to = 0;
};

// What the reader does with a line of no time online, a call that did not
// connect: drops it, as the classic report does; keeps it, counting it
// incomplete where it lacks fields, as a session would be; or keeps it
// only where it is whole and else drops it, so that the classic count of
// incomplete lines holds.
enum class ZeroOnline { drop, keep, keep_whole };

// The sessions of some lines, and, when there is a window, only those that
// started in it.
struct Selection {
    std::vector<std::string_view> line_names; // the names given whole; may be none
    std::string_view first_name;              // the first of them
    bool one_line = true;
    // For a list: the place of each name plus one (0 for none), by its
    // hash; open addressing, at most half full.
    std::vector<std::uint32_t> name_slots;
    int name_shift = 63; // 64 less the bits of a slot's place
    std::optional<TimeWindow> window;
    std::size_t longest_name = 0; // of the names given whole; any where there are patterns
    // The names given as patterns, and the lines they matched: the place of
    // such a line is line_names.size() plus its place in found.
    std::vector<std::string_view> line_patterns;
    std::unique_ptr<FoundLines> found;
    ZeroOnline zero_online = ZeroOnline::drop;
    // Patterns of the remote addresses whose lines are kept; none: all.
    std::vector<std::string_view> address_patterns;
};

// A selection of the lines that name_line names: one line, or a list of
// them parted by commas, each a name or a pattern of names (see glob.h).
Selection select_lines(std::string_view name_line);

// Whether a name that none given whole names is matched by a pattern of
// sel, which then has some.
bool pattern_names(const Selection& sel, std::string_view name);

// The place that stands for every line a pattern matched, until the
// reader gives it its own.
inline int pattern_line(const Selection& sel)
{
    return static_cast<int>(sel.line_names.size());
}

// Every line selected, by place: the names given whole, then those that
// patterns matched so far.
std::vector<std::string_view> selected_line_names(const Selection& sel);

// The place of name in a list of lines, or -1: one look-up by its hash,
// however long the list.
int listed_line_index(const Selection& sel, std::string_view name);

// The place in the selection of the line that field 1 of a line names, or
// -1 when it names none of them.
inline int line_index(const Selection& sel, std::string_view name)
{
    // The usual selection, one line, is tested without a call: this runs
    // for every line of the file.
    if (sel.one_line)
        return same_text(name, sel.first_name) ? 0 : -1;
    const int listed = listed_line_index(sel, name);
    if (listed >= 0 || sel.line_patterns.empty())
        return listed;
    return pattern_names(sel, name) ? pattern_line(sel) : -1;
}

// Whether a session that started at start is kept.
inline bool takes_start(const Selection& sel, std::int64_t start)
{
    return !sel.window || (start >= sel.window->from && start <= sel.window->to);
}
