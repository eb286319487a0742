// options.h - what the command line asks for, and the name the tool prints.
#pragma once

#include <cstdint>
#include <string_view>

// Name and version, with the platform suffix.
inline constexpr std::string_view version_text = "Qelmar v0.4/bsd";

// Release date printed beside the version in the usage text.
inline constexpr std::string_view release_date = "05-06-02";

enum class ReportScope { recent, all };

struct RunOptions {
    ReportScope scope = ReportScope::recent;
    std::string_view line_name;
    std::string_view history_path;
};

// Start times from..to, both inclusive, in seconds since the epoch.
struct TimeWindow {
    std::int64_t from = 0;
    std::int64_t to = 0;
};
