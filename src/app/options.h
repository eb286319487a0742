// options.h - what the command line asks for.
#pragma once

#include <string_view>

enum class ReportScope { recent, all };

struct RunOptions {
    ReportScope scope = ReportScope::recent;
    std::string_view line_name;
    const char* history_path = "";
};
