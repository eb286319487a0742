// history_line.h - one line of a history file, and whether it is a session
// to report.
#pragma once

#include "history/selection.h"

#include <cstdint>
#include <string_view>

// The fields of one history line, as parsed. The rules set the name and
// the line always, and each other field they reach: all of them when they
// select the line.
struct SessionFields {
    std::string_view name; // field 1, the line's name; empty when there is none
    int line;              // its place among the selected lines, -1 for none
    std::string_view address;
    std::int64_t start;
    std::int64_t duration;
    std::string_view flags;
    std::int32_t error; // the low 32 bits of the error number
    std::int64_t sent;
    std::int64_t received;
};

enum class LineVerdict { selected, dropped, incomplete };

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
