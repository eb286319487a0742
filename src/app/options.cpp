// options.cpp - what the command line asks for.
#include "app/options.h"

#include "app/when.h"

#include <vector>

namespace {

// Takes one long option into opts; false, with bad set, for one that is
// not an option of the tool or lacks its value.
bool take_option(std::string_view arg, std::int64_t now, RunOptions& opts, bool& help,
                 BadArgument& bad)
{
    const std::size_t equals = arg.find('=');
    const std::string_view name = arg.substr(0, equals);
    const bool has_value = equals != std::string_view::npos;
    const std::string_view value = has_value ? arg.substr(equals + 1) : std::string_view();
    if (name == "--since" || name == "--until") {
        if (!has_value) {
            bad = {BadArgument::Kind::missing_value, arg};
            return false;
        }
        const Bound bound = name == "--since" ? Bound::since : Bound::until;
        const auto instant = parse_when(value, bound, now);
        if (!instant) {
            bad = {BadArgument::Kind::invalid_time, value};
            return false;
        }
        (bound == Bound::since ? opts.since : opts.until) = *instant;
        return true;
    }
    if (!has_value && name == "--all") {
        opts.scope = ReportScope::all;
        return true;
    }
    if (!has_value && name == "--full-time") {
        opts.full_time = true;
        return true;
    }
    if (!has_value && name == "--summary") {
        opts.summary_only = true;
        return true;
    }
    if (!has_value && name == "--json") {
        opts.json = true;
        return true;
    }
    if (!has_value && name == "--help") {
        help = true;
        return true;
    }
    bad = {BadArgument::Kind::unknown_option, arg};
    return false;
}

} // namespace

Request parse_arguments(int argc, const char* const* argv, std::int64_t now, RunOptions& opts,
                        BadArgument& bad)
{
    std::vector<const char*> rest;
    bool help = false;
    bool options_end = false;
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (i == 0 || options_end || arg.substr(0, 2) != "--") {
            rest.push_back(argv[i]);
        } else if (arg == "--") {
            options_end = true;
        } else if (!take_option(arg, now, opts, help, bad)) {
            return Request::bad_argument;
        }
    }
    const bool all = opts.scope == ReportScope::all;
    if (help)
        return Request::help;
    const std::size_t n = rest.size();
    if (n <= 2)
        return Request::usage;
    opts.history_path = rest[n - 1];
    opts.line_name = rest[n - 2];
    // With two arguments the option slot is the program's own name.
    opts.scope = all || std::string_view(rest[n - 3]) == "-a" ? ReportScope::all
                                                               : ReportScope::recent;
    return Request::report;
}
