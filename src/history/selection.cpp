// selection.cpp - which lines of a history file the reader keeps.
#include "history/selection.h"

#include "history/glob.h"

#include <algorithm>

namespace {

// The bytes of a short line name as one number, or a hash of a longer
// one.
std::uint64_t name_key(std::string_view name)
{
    const std::uint64_t key = short_key(name);
    return key != 0 ? key : hash_text(name);
}

// The slot at which a look-up for a name starts: the top bits of its key
// times a large odd number, which mix every bit of the key (the low bits
// of such names cluster).
std::size_t first_slot(const Selection& sel, std::string_view name)
{
    return static_cast<std::size_t>((name_key(name) * 0x9e3779b97f4a7c15ULL) >> sel.name_shift);
}

} // namespace

bool pattern_names(const Selection& sel, std::string_view name)
{
    for (const std::string_view pattern : sel.line_patterns)
        if (glob_matches(pattern, name))
            return true;
    return false;
}

std::vector<std::string_view> selected_line_names(const Selection& sel)
{
    std::vector<std::string_view> names = sel.line_names;
    if (sel.found) {
        const std::vector<std::string_view> found = found_names(*sel.found);
        names.insert(names.end(), found.begin(), found.end());
    }
    return names;
}

int listed_line_index(const Selection& sel, std::string_view name)
{
    const std::size_t mask = sel.name_slots.size() - 1;
    for (std::size_t i = first_slot(sel, name);; i = (i + 1) & mask) {
        const std::uint32_t slot = sel.name_slots[i];
        if (slot == 0)
            return -1;
        if (same_text(sel.line_names[slot - 1], name))
            return static_cast<int>(slot - 1);
    }
}

Selection select_lines(std::string_view name_line)
{
    // No field of a history line holds a comma, so a name with one is a list.
    Selection sel;
    const auto names = static_cast<std::size_t>(std::count(name_line.begin(), name_line.end(), ',')) + 1;
    std::size_t slots = 2;
    sel.name_shift = 63;
    while (slots < 2 * names) {
        slots *= 2;
        --sel.name_shift;
    }
    sel.name_slots.assign(slots, 0);
    sel.one_line = false; // until the names are in
    for (std::size_t from = 0;;) {
        const std::size_t comma = name_line.find(',', from);
        const std::string_view name = name_line.substr(from, comma - from);
        if (is_glob(name) && valid_glob(name)) {
            sel.line_patterns.push_back(name);
        } else if (listed_line_index(sel, name) < 0) { // a name given twice is one line
            std::size_t i = first_slot(sel, name);
            while (sel.name_slots[i] != 0)
                i = (i + 1) & (slots - 1);
            sel.line_names.push_back(name);
            sel.name_slots[i] = static_cast<std::uint32_t>(sel.line_names.size());
        }
        if (name.size() > sel.longest_name)
            sel.longest_name = name.size();
        if (comma == std::string_view::npos)
            break;
        from = comma + 1;
    }
    if (!sel.line_patterns.empty()) {
        // A line of any length may match a pattern.
        sel.longest_name = SIZE_MAX;
        sel.found = std::make_unique<FoundLines>();
    }
    sel.first_name = sel.line_names.empty() ? std::string_view() : sel.line_names[0];
    sel.one_line = sel.line_names.size() == 1 && sel.line_patterns.empty();
    return sel;
}
