// found_lines.h - the names of the lines that line patterns matched, as
// the threads that read a history meet them.
#pragma once

#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Each name once, by a place that every thread shares; the order of places
// is the order of meeting, which no output shows (lines are listed by
// name).
struct FoundLines {
    std::mutex lock;
    std::deque<std::string> names; // never moved, so that views of them hold
    std::unordered_map<std::string_view, std::size_t> places;
};

// The place of name, given one if it has none.
std::size_t found_line(FoundLines& found, std::string_view name);

// The names found, by place.
std::vector<std::string_view> found_names(FoundLines& found);
