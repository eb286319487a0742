// found_lines.cpp - the names of the lines that line patterns matched.
#include "history/found_lines.h"

std::size_t found_line(FoundLines& found, std::string_view name)
{
    const std::lock_guard held(found.lock);
    const auto at = found.places.find(name);
    if (at != found.places.end())
        return at->second;
    found.names.emplace_back(name);
    const std::size_t place = found.names.size() - 1;
    found.places.emplace(found.names.back(), place);
    return place;
}

std::vector<std::string_view> found_names(FoundLines& found)
{
    const std::lock_guard held(found.lock);
    return {found.names.begin(), found.names.end()};
}
