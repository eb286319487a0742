// options.cpp - what the command line asks for.
#include "app/options.h"

#include "app/when.h"
#include "history/glob.h"
#include "report/report.h"
#include "stats/tally.h"

#include <algorithm>
#include <optional>

namespace {

// What the long options ask for besides opts.
struct LongOptions {
    bool any = false; // an option that shapes the report was given
    bool all = false;
    bool help = false;
    bool version = false;
    std::string_view since, until; // the values as given
    // The options that others may make of no effect, each once, in the
    // order given.
    std::vector<std::string_view> ordering;
};

bool takes_value(std::string_view name)
{
    return name == "--since" || name == "--until" || name == "--by" || name == "--threads" ||
           name == "--address" || name == "--sort" || name == "--top";
}

// A count of 1 to most, in decimal digits.
std::optional<std::uint64_t> count_of(std::string_view text, std::uint64_t most)
{
    std::uint64_t n = 0;
    for (const char c : text) {
        if (c < '0' || c > '9' || n > most)
            return std::nullopt;
        n = n * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (text.empty() || n < 1 || n > most)
        return std::nullopt;
    return n;
}


// Adds the patterns of an --address value, split at its commas; false
// where one is not a valid pattern.
bool take_address_patterns(std::string_view value, RunOptions& opts)
{
    for (std::size_t from = 0;;) {
        const std::size_t comma = value.find(',', from);
        const std::string_view pattern = value.substr(from, comma - from);
        if (!valid_glob(pattern))
            return false;
        opts.address_patterns.push_back(pattern);
        if (comma == std::string_view::npos)
            return true;
        from = comma + 1;
    }
}

// Notes the first place of an option that others may make of no effect.
void note_order(LongOptions& given, std::string_view name)
{
    constexpr std::string_view told[] = {"--summary", "--calls", "--full-time", "--sort", "--top"};
    if (std::find(std::begin(told), std::end(told), name) != std::end(told) &&
        std::find(given.ordering.begin(), given.ordering.end(), name) == given.ordering.end())
        given.ordering.push_back(name);
}

// The options that change nothing beside those given, each with the first
// of --html, --csv, --json, --calls, --by and --summary given.
void note_ignored_options(const LongOptions& given, RunOptions& opts)
{
    const std::string_view with = opts.html      ? "--html"
                                  : opts.csv     ? "--csv"
                                  : opts.json    ? "--json"
                                  : opts.calls   ? "--calls"
                                  : opts.by      ? "--by"
                                  : opts.summary_only ? "--summary"
                                                 : "";
    for (const std::string_view name : given.ordering) {
        bool ignored = false;
        if (name == "--summary")
            ignored = opts.by || opts.calls || opts.html;
        else if (name == "--calls")
            ignored = opts.html;
        else if (name == "--full-time")
            ignored = !with.empty();
        else // --sort and --top: the CSV of the report lists every session in file order
            ignored = opts.csv && view_of(opts) == View::report;
        if (ignored)
            opts.ignored_options.emplace_back(name, with);
    }
}

// Takes an option that has a value into opts; false, with bad set, for a
// value it does not take.
bool take_value(std::string_view name, std::string_view value, std::int64_t now, RunOptions& opts,
                LongOptions& given, BadArgument& bad)
{
    if (name == "--by") {
        opts.by = unit_named(value);
        if (!opts.by) {
            bad = {BadArgument::Kind::invalid_unit, value, {}, {}};
            return false;
        }
    } else if (name == "--address") {
        if (!take_address_patterns(value, opts)) {
            bad = {BadArgument::Kind::invalid_address, value, {}, {}};
            return false;
        }
    } else if (name == "--threads") {
        const auto n = count_of(value, most_threads);
        if (!n) {
            bad = {BadArgument::Kind::invalid_threads, value, {}, {}};
            return false;
        }
        opts.threads = static_cast<std::size_t>(*n);
    } else if (name == "--top") {
        opts.top = count_of(value, most_top_rows);
        if (!opts.top) {
            bad = {BadArgument::Kind::invalid_top, value, {}, {}};
            return false;
        }
    } else if (name == "--sort") {
        opts.sort_name = value;
        opts.sort_given = true;
    } else {
        const Bound bound = name == "--since" ? Bound::since : Bound::until;
        const auto instant = parse_when(value, bound, now);
        if (!instant) {
            bad = {BadArgument::Kind::invalid_time, value, {}, {}};
            return false;
        }
        (bound == Bound::since ? opts.period.since : opts.period.until) = *instant;
        (bound == Bound::since ? given.since : given.until) = value;
    }
    given.any = true;
    return true;
}

// Takes one long option into opts; false, with bad set, for one that is
// not an option of the tool or lacks its value. arg is the option as
// given, for the messages.
bool take_option(std::string_view arg, std::string_view name,
                 std::optional<std::string_view> value, std::int64_t now, RunOptions& opts,
                 LongOptions& given, BadArgument& bad)
{
    if (takes_value(name)) {
        if (!value) {
            bad = {BadArgument::Kind::missing_value, arg, {}, {}};
            return false;
        }
        note_order(given, name);
        return take_value(name, *value, now, opts, given, bad);
    }
    const struct {
        std::string_view name;
        bool* flag;
        bool shapes_report;
    } switches[] = {
        {"--all", &given.all, true},         {"--full-time", &opts.full_time, true},
        {"--summary", &opts.summary_only, true}, {"--json", &opts.json, true},
        {"--files", &opts.files, true},          {"--calls", &opts.calls, true},
        {"--html", &opts.html, true},        {"--csv", &opts.csv, true},
        {"--metrics", &opts.metrics, true},
        {"--help", &given.help, false},      {"--version", &given.version, false},
    };
    for (const auto& s : switches) {
        if (name == s.name && !value) {
            note_order(given, name);
            *s.flag = true;
            given.any = given.any || s.shapes_report;
            return true;
        }
    }
    bad = {BadArgument::Kind::unknown_option, arg, {}, {}};
    return false;
}

// Takes every long option of argv into opts, and hands the other
// arguments to rest, argv[0] first; false, with bad set, at the first
// option that cannot be taken. Every argument that begins with "--", up
// to one that is exactly "--", is a long option.
bool take_options(int argc, const char* const* argv, std::int64_t now, RunOptions& opts,
                  LongOptions& given, std::vector<const char*>& rest, BadArgument& bad)
{
    bool options_end = false;
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (i == 0 || options_end || !arg.starts_with("--")) {
            rest.push_back(argv[i]);
            continue;
        }
        if (arg == "--") {
            options_end = true;
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string_view name = arg.substr(0, equals);
        std::optional<std::string_view> value;
        if (equals != std::string_view::npos)
            value = arg.substr(equals + 1);
        else if (takes_value(name) && i + 1 < argc)
            value = argv[++i];
        if (!take_option(arg, name, value, now, opts, given, bad))
            return false;
    }
    return true;
}

// The first pair of options given that cannot be combined, as "first
// second"; empty where there is none. The metrics count the whole history
// in their own form; the page, JSON and CSV are forms of their own.
std::string_view options_apart(const RunOptions& opts)
{
    if (opts.metrics) {
        const struct {
            bool given;
            std::string_view pair;
        } with_metrics[] = {
            {opts.period.since.has_value(), "--metrics --since"}, {opts.period.until.has_value(), "--metrics --until"},
            {opts.summary_only, "--metrics --summary"},           {opts.by.has_value(), "--metrics --by"},
            {opts.calls, "--metrics --calls"},                    {opts.json, "--metrics --json"},
            {opts.html, "--metrics --html"},                      {opts.csv, "--metrics --csv"},
            {opts.full_time, "--metrics --full-time"},            {opts.sort_given, "--metrics --sort"},
            {opts.top.has_value(), "--metrics --top"},
        };
        for (const auto& w : with_metrics)
            if (w.given)
                return w.pair;
    }
    if (opts.csv && opts.json)
        return "--csv --json";
    if (opts.csv && opts.html)
        return "--csv --html";
    if (opts.html && opts.json)
        return "--html --json";
    if (opts.by && opts.calls && !opts.html)
        return "--by --calls";
    return {};
}

// Finds the key of --sort among the keys of the view; false, with bad
// set, where the view has no such key.
bool take_sort_key(RunOptions& opts, BadArgument& bad)
{
    if (opts.sort_name.empty() && !opts.sort_given)
        return true;
    const std::vector<SortKeyName> keys = sort_keys(view_of(opts));
    for (const SortKeyName& k : keys) {
        if (k.name == opts.sort_name) {
            opts.sort = k.key;
            return true;
        }
    }
    bad = {BadArgument::Kind::invalid_sort_key, opts.sort_name, {}, {}};
    for (const SortKeyName& k : keys)
        bad.choices.push_back(k.name);
    return false;
}

// Finds what options cannot be followed together, and the key of --sort;
// false, with bad set, where some cannot.
bool options_agree(RunOptions& opts, const LongOptions& given, BadArgument& bad)
{
    const std::string_view apart = options_apart(opts);
    if (!apart.empty()) {
        bad = {BadArgument::Kind::cannot_combine, apart.substr(0, apart.find(' ')),
               apart.substr(apart.find(' ') + 1), {}};
        return false;
    }
    if (is_empty(opts.period)) {
        bad = {BadArgument::Kind::empty_period, given.since, given.until, {}};
        return false;
    }
    return take_sort_key(opts, bad);
}

// Places the arguments that are not options: with --files from the front,
// [-a] name_line hist_file...; else from the back, the history file, the
// line name and the option slot.
Request place_arguments(const std::vector<const char*>& rest, const LongOptions& given,
                        RunOptions& opts)
{
    const std::size_t n = rest.size();
    if (opts.files) {
        const std::size_t name = n > 1 && std::string_view(rest[1]) == "-a" ? 2 : 1;
        if (n < name + 2)
            return Request::usage_error;
        if (given.all || name == 2)
            opts.scope = ReportScope::all;
        opts.line_name = rest[name];
        opts.history_paths.assign(rest.begin() + static_cast<std::ptrdiff_t>(name) + 1, rest.end());
        return Request::report;
    }
    if (n <= 2)
        return given.any ? Request::usage_error : Request::usage;
    opts.history_paths = {rest[n - 1]};
    opts.line_name = rest[n - 2];
    // With two arguments the option slot is the program's own name.
    const bool slot_all = std::string_view(rest[n - 3]) == "-a";
    if (given.all || slot_all)
        opts.scope = ReportScope::all;
    for (std::size_t i = 1; i < n - 2; ++i)
        if (i < n - 3 || !slot_all)
            opts.ignored.push_back(rest[i]);
    return Request::report;
}

} // namespace

View view_of(const RunOptions& opts)
{
    if (opts.metrics)
        return View::metrics;
    if (opts.html)
        return View::page;
    if (opts.calls)
        return View::calls;
    if (opts.by)
        return View::groups;
    return opts.summary_only ? View::summary : View::report;
}

Form form_of(const RunOptions& opts)
{
    if (opts.metrics)
        return Form::metrics;
    if (opts.csv)
        return Form::csv;
    if (opts.html)
        return Form::html;
    return opts.json ? Form::json : Form::text;
}

Request parse_arguments(int argc, const char* const* argv, std::int64_t now, RunOptions& opts,
                        BadArgument& bad)
{
    std::vector<const char*> rest;
    LongOptions given;
    if (!take_options(argc, argv, now, opts, given, rest, bad) || !options_agree(opts, given, bad))
        return Request::bad_argument;
    if (given.help)
        return Request::help;
    if (given.version)
        return Request::version;
    // The metrics count the whole history, whatever -a says.
    if (opts.metrics)
        given.all = true;
    note_ignored_options(given, opts);
    return place_arguments(rest, given, opts);
}
