// glob.cpp - shell patterns over bytes.
#include "history/glob.h"

#include <cstddef>
#include <optional>

namespace {

// Where the set that opens at pattern[at] ('[') ends, just past its ']';
// none where it is not closed. A ']' first in the set, after any '!' or
// '^', is a member; '\' takes the next byte into the set as it is.
std::optional<std::size_t> set_end(std::string_view pattern, std::size_t at)
{
    std::size_t i = at + 1;
    if (i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^'))
        ++i;
    if (i < pattern.size() && pattern[i] == ']')
        ++i;
    for (; i < pattern.size(); ++i) {
        if (pattern[i] == '\\')
            ++i;
        else if (pattern[i] == ']')
            return i + 1;
    }
    return std::nullopt;
}

// Whether byte c is in the set pattern[from, to) (the brackets included).
bool in_set(std::string_view pattern, std::size_t from, std::size_t to, unsigned char c)
{
    std::size_t i = from + 1;
    const bool negated = pattern[i] == '!' || pattern[i] == '^';
    if (negated)
        ++i;
    bool found = false;
    while (i < to - 1) {
        if (pattern[i] == '\\')
            ++i;
        const auto low = static_cast<unsigned char>(pattern[i++]);
        auto high = low;
        if (i + 1 < to - 1 && pattern[i] == '-') {
            i += pattern[i + 1] == '\\' ? 2 : 1;
            high = static_cast<unsigned char>(pattern[i++]);
        }
        found = found || (c >= low && c <= high);
    }
    return found != negated;
}

// Whether the one-byte item at pattern[p] ('?', a set, an escaped or a
// plain byte) matches c; next is set past it.
bool item_matches(std::string_view pattern, std::size_t p, unsigned char c, std::size_t& next)
{
    switch (pattern[p]) {
    case '?':
        next = p + 1;
        return true;
    case '[':
        next = *set_end(pattern, p);
        return in_set(pattern, p, next, c);
    case '\\':
        next = p + 2;
        return static_cast<unsigned char>(pattern[p + 1]) == c;
    default:
        next = p + 1;
        return static_cast<unsigned char>(pattern[p]) == c;
    }
}

} // namespace

bool is_glob(std::string_view pattern)
{
    return pattern.find_first_of("*?[\\") != std::string_view::npos;
}

bool valid_glob(std::string_view pattern)
{
    if (pattern.empty())
        return false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '\\') {
            if (++i == pattern.size())
                return false;
        } else if (pattern[i] == '[') {
            const auto end = set_end(pattern, i);
            if (!end)
                return false;
            i = *end - 1;
        }
    }
    return true;
}

bool glob_matches(std::string_view pattern, std::string_view text)
{
    // The last star and the text's place when it was met: on a mismatch
    // the star takes one more byte, and the rest is tried again from there.
    std::optional<std::size_t> star;
    std::size_t p = 0, t = 0, star_text = 0, next = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            star_text = t;
        } else if (p < pattern.size() && item_matches(pattern, p, static_cast<unsigned char>(text[t]), next)) {
            p = next;
            ++t;
        } else if (star) {
            p = *star + 1;
            t = ++star_text;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}
