// history_line.h - one line of a history file, and whether it is a session
// to report.
#pragma once

#include "history/line_rules.h"
#include "history/selection.h"

#include <cstdint>
#include <string_view>

// Tests one line (the bytes up to and including its line feed) against the
// selection and the duration, filling fields as it goes. A line of the
// selected line that ends before the test that drops it, or before its
// twelfth field, is incomplete.
LineVerdict parse_session_fields(std::string_view line, const Selection& sel,
                                 SessionFields& fields);

// Whether a line that begins with text, and goes on past it, is dropped
// whatever follows: its first field names another line, or a test that
// drops it needs only fields that text holds whole. Sets the name and the
// line of fields where text holds the first field whole; else the name is
// empty and the line -1.
bool dropped_whatever_follows(std::string_view text, const Selection& sel, SessionFields& fields);
