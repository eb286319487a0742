// history_line.cpp - the history line format, split field by field.
#include "history/history_line.h"

#include "history/cpu.h"
#include "history/line_rules.h"

#include <bit>

namespace {

// The first comma at or after p, or end; eight bytes at a time.
const char* find_comma(const char* p, const char* end)
{
    for (; end - p >= 8; p += 8) {
        const std::uint64_t commas = cpu::words::first_equal(cpu::load_le64(p), ',');
        if (commas != 0)
            return p + std::countr_zero(commas) / 8;
    }
    while (p < end && *p != ',')
        ++p;
    return p;
}

// Hands out the fields of a line as the rules ask for them. A field is a
// longest run of bytes other than the comma, after any commas.
struct FieldSplitter {
    const char* pos;
    const char* end;

    // Steps to the start of the next field; false when the line holds none.
    bool to_next_field()
    {
        while (pos < end && *pos == ',')
            ++pos;
        return pos < end;
    }

    bool text(std::string_view& field)
    {
        if (!to_next_field())
            return false;
        const char* begin = pos;
        pos = find_comma(begin, end);
        field = std::string_view(begin, static_cast<std::size_t>(pos - begin));
        return true;
    }

    // The number is read in the pass that finds the field's end.
    bool number(std::int64_t& value)
    {
        if (!to_next_field())
            return false;
        const char* stop = scan_number(pos, end, value);
        pos = stop == end || *stop == ',' ? stop : find_comma(stop, end);
        return true;
    }
};

} // namespace

LineVerdict parse_session_fields(std::string_view line, const Selection& sel, SessionFields& f)
{
    FieldSplitter fields{line.data(), line.data() + line.size()};
    return apply_rules(fields, sel, f);
}

bool dropped_whatever_follows(std::string_view text, const Selection& sel, SessionFields& f)
{
    f.name = {};
    f.line = -1;
    const std::size_t first = text.find_first_not_of(',');
    if (first == std::string_view::npos)
        return false;
    const std::size_t comma = text.rfind(',');
    if (comma == std::string_view::npos || comma < first) // the first field goes on
        return text.size() - first > sel.longest_name;
    // The fields before the last comma are whole.
    FieldSplitter fields{text.data(), text.data() + comma};
    return apply_rules(fields, sel, f) == LineVerdict::dropped;
}
