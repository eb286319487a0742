// report_head.h - what every form of a report tells besides its tables.
#pragma once

#include "time/period.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

struct ReportHead {
    std::string_view version;
    std::string_view line;        // the name_line argument as given
    const std::vector<std::string_view>* addresses = nullptr; // the address patterns; none: all
    std::optional<Period> period; // the period reported; none for the whole file
    const std::vector<std::string_view>* line_names = nullptr; // a session's line, by its place
    std::uint64_t skipped = 0;    // incomplete lines of the selected lines
    std::int64_t made = 0;        // when the report was made
    bool full_time = false;       // the text log shows the date with the time
    std::size_t threads = 0;      // to print the log with, as given; 0: as many as pay
};
