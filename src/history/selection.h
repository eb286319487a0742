// selection.h - which lines of a history file the reader keeps.
#pragma once

#include "history/text_pool.h"

#include <cstdint>
#include <optional>
#include <string_view>

// Start times from..to, both inclusive, in seconds since the epoch.
struct TimeWindow {
    std::int64_t from = 0;
    std::int64_t to = 0;
};

// The sessions of one line, and, when there is a window, only those that
// started in it.
struct Selection {
    std::string_view line_name;
    std::optional<TimeWindow> window;
};

// Whether field 1 of a line names the selected line.
inline bool names_line(const Selection& sel, std::string_view name)
{
    return same_text(name, sel.line_name);
}

// Whether a session that started at start is kept.
inline bool takes_start(const Selection& sel, std::int64_t start)
{
    return !sel.window || (start >= sel.window->from && start <= sel.window->to);
}
