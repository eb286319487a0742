// page_text.h - text on the page: texts from the history, escaped, and
// the figures of the text columns without their blanks.
#pragma once

#include "report/columns.h"
#include "report/writer.h"

#include <string_view>

// Writes text from the history into the page: '?' for a control or a byte
// that is not UTF-8, entities for the characters that mark up.
void put_text(Writer& out, std::string_view text);

// A column formatter's text without the blanks around it.
template <class Format, class Value>
void put_column(Writer& out, Format format, Value v)
{
    char text[column_max + 8];
    const char* end = format(text, v);
    std::string_view s(text, static_cast<std::size_t>(end - text));
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    out.put(s);
}

