// glob.h - shell patterns over bytes, for addresses and line names.
#pragma once

#include <string_view>

// Whether pattern holds any of '*', '?', '[' or '\': without them it names
// one text exactly.
bool is_glob(std::string_view pattern);

// Whether pattern is one that glob_matches takes: not empty, every '['
// closed, no '\' at its end.
bool valid_glob(std::string_view pattern);

// Whether text matches pattern, byte by byte and case-sensitive: '*' any
// run of bytes, '?' one byte, "[...]" one byte of a set with ranges,
// negated by a leading '!' or '^', and '\' the next byte as it is. pattern
// must be valid. Time linear in their sizes times the pattern's stars.
bool glob_matches(std::string_view pattern, std::string_view text);
