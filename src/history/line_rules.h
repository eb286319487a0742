// line_rules.h - the rules that make a history line a session, written once
// for every way of splitting a line into fields.
#pragma once

#include "history/numbers.h"
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

// Fields is a splitter that hands out the fields of one line in turn:
//   bool text(std::string_view& field)   the next field as it stands
//   bool number(std::int64_t& value)     the next field read as a number
// each false when the line holds no further field. The rules stop at the
// first test that drops the line, so later fields are never looked at.
// Always inlined: as a call, the splitter's position lives in memory, and
// every byte read through a char pointer forces it back there (30% slower
// over a window).
template <class Fields>
[[gnu::always_inline]] inline LineVerdict apply_rules(Fields& fields, const Selection& sel,
                                                      SessionFields& f)
{
    if (!fields.text(f.name)) {
        f.name = {};
        f.line = -1;
        return LineVerdict::dropped;
    }
    if ((f.line = line_index(sel, f.name)) < 0)
        return LineVerdict::dropped;
    if (!fields.text(f.address) || !fields.number(f.start))
        return LineVerdict::incomplete;
    if (!takes_start(sel, f.start))
        return LineVerdict::dropped;
    if (!fields.number(f.duration))
        return LineVerdict::incomplete;
    if (f.duration == 0 && sel.zero_online == ZeroOnline::drop)
        return LineVerdict::dropped;
    // Written out, not looped: each field then has its own place once the
    // splitter is inlined.
    std::int64_t error = 0, sent[3] = {}, received[3] = {};
    if (!fields.text(f.flags) || !fields.number(error) || !fields.number(sent[0]) ||
        !fields.number(sent[1]) || !fields.number(sent[2]) || !fields.number(received[0]) ||
        !fields.number(received[1]) || !fields.number(received[2]))
        return f.duration == 0 && sel.zero_online == ZeroOnline::keep_whole ? LineVerdict::dropped
                                                                            : LineVerdict::incomplete;
    // Only the low 32 bits of the error number count.
    f.error = static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(error)));
    f.sent = wrapping_add(wrapping_add(sent[0], sent[1]), sent[2]);
    f.received = wrapping_add(wrapping_add(received[0], received[1]), received[2]);
    return LineVerdict::selected;
}
