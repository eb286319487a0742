// selection.cpp - which lines of a history file the reader keeps.
#include "history/selection.h"

Selection select_lines(std::string_view name_line)
{
    // No field of a history line holds a comma, so a name with one is a list.
    Selection sel;
    sel.one_line = false; // until the names are in
    for (std::size_t from = 0;;) {
        const std::size_t comma = name_line.find(',', from);
        const std::string_view name = name_line.substr(from, comma - from);
        if (line_index(sel, name) < 0) // a name given twice is one line
            sel.line_names.push_back(name);
        if (name.size() > sel.longest_name)
            sel.longest_name = name.size();
        if (comma == std::string_view::npos) {
            sel.first_name = sel.line_names[0];
            sel.one_line = sel.line_names.size() == 1;
            return sel;
        }
        from = comma + 1;
    }
}
