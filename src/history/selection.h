// selection.h - which lines of a history file the reader keeps.
#pragma once

#include "history/text_pool.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// Start times from..to, both inclusive, in seconds since the epoch.
struct TimeWindow {
    std::int64_t from = 0;
    std::int64_t to = 0;
};

// The sessions of some lines, and, when there is a window, only those that
// started in it.
struct Selection {
    std::vector<std::string_view> line_names; // one or more
    std::string_view first_name;              // the first of them
    bool one_line = true;
    // For a list: the place of each name plus one (0 for none), by its
    // hash; open addressing, at most half full.
    std::vector<std::uint32_t> name_slots;
    int name_shift = 63; // 64 less the bits of a slot's place
    std::optional<TimeWindow> window;
    std::size_t longest_name = 0;
    // Keep the lines of no time online: calls that did not connect, which
    // are never sessions.
    bool keep_zero_online = false;
};

// A selection of the lines that name_line names: one line, or a list of
// them parted by commas.
Selection select_lines(std::string_view name_line);

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
    return listed_line_index(sel, name);
}

// Whether a session that started at start is kept.
inline bool takes_start(const Selection& sel, std::int64_t start)
{
    return !sel.window || (start >= sel.window->from && start <= sel.window->to);
}
