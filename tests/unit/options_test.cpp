#include "app/options.h"

#include "zone_scope.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

constexpr std::int64_t now = 1796169600; // 2026-12-02 00:00:00 UTC

struct Want {
    Request request = Request::report;
    ReportScope scope = ReportScope::recent;
    std::string_view line = {};
    std::string_view path = {};
    std::optional<std::int64_t> since = {};
    std::optional<std::int64_t> until = {};
    bool full_time = false;
    std::vector<std::string_view> ignored = {};
    std::vector<std::string_view> files = {}; // with --files; else path alone
};

struct Bad {
    BadArgument::Kind kind;
    std::string_view text;
    std::string_view other = {};
};

TEST(parse_arguments, classic_arguments_are_taken_from_the_end)
{
    using enum Request;
    const ZoneScope utc("UTC");
    const struct {
        std::vector<const char*> argv;
        Want want;
    } cases[] = {
        {{"qelmar"}, {usage}},
        {{"qelmar", "tcpip"}, {usage}},
        {{"qelmar", "tcpip", "h"}, {report, ReportScope::recent, "tcpip", "h"}},
        {{"qelmar", "-a", "tcpip", "h"}, {report, ReportScope::all, "tcpip", "h"}},
        {{"qelmar", "x", "y", "-a", "tcpip", "h"},
         {report, ReportScope::all, "tcpip", "h", {}, {}, false, {"x", "y"}}},
        {{"qelmar", "-A", "tcpip", "h"},
         {report, ReportScope::recent, "tcpip", "h", {}, {}, false, {"-A"}}},
        {{"qelmar", "-ab", "tcpip", "h"},
         {report, ReportScope::recent, "tcpip", "h", {}, {}, false, {"-ab"}}},
        {{"qelmar", "-s", "yesterday", "tcpip", "h"},
         {report, ReportScope::recent, "tcpip", "h", {}, {}, false, {"-s", "yesterday"}}},
        {{"qelmar", "x", "--all", "tcpip", "h"},
         {report, ReportScope::all, "tcpip", "h", {}, {}, false, {"x"}}},
        {{"qelmar", "-a", "tcpip"}, {report, ReportScope::recent, "-a", "tcpip"}},
        {{"-a", "tcpip", "h"}, {report, ReportScope::all, "tcpip", "h"}}, // started as -a
        {{"qelmar", "-", "h"}, {report, ReportScope::recent, "-", "h"}},
        // Long options anywhere after the name; -a keeps its place in the rest.
        {{"qelmar", "--all", "tcpip", "h"}, {report, ReportScope::all, "tcpip", "h"}},
        {{"qelmar", "tcpip", "h", "--all"}, {report, ReportScope::all, "tcpip", "h"}},
        {{"qelmar", "-a", "--full-time", "tcpip", "h"},
         {report, ReportScope::all, "tcpip", "h", {}, {}, true}},
        {{"qelmar", "tcpip", "--full-time", "h"},
         {report, ReportScope::recent, "tcpip", "h", {}, {}, true}},
        {{"qelmar", "--since=@5", "--until=@9", "tcpip", "h"},
         {report, ReportScope::recent, "tcpip", "h", 5, 9}},
        {{"qelmar", "--since=@5", "--since=@7", "tcpip", "h"}, // the last holds
         {report, ReportScope::recent, "tcpip", "h", 7}},
        // A value as the next argument, taken out with its option.
        {{"qelmar", "--since", "@5", "--until", "@5", "tcpip", "h"},
         {report, ReportScope::recent, "tcpip", "h", 5, 5}},
        {{"qelmar", "tcpip", "--until", "@9", "h"},
         {report, ReportScope::recent, "tcpip", "h", {}, 9}},
        {{"qelmar", "--", "tcpip", "--h"}, {report, ReportScope::recent, "tcpip", "--h"}},
        {{"qelmar", "tcpip", "--", "--all"}, {report, ReportScope::recent, "tcpip", "--all"}},
        // Too few arguments: an error once a report was asked for.
        {{"qelmar", "--all", "h"}, {usage_error}},
        {{"qelmar", "--json", "tcpip"}, {usage_error}},
        {{"qelmar", "--", "tcpip"}, {usage}},
        {{"qelmar", "--help"}, {help}},
        {{"qelmar", "--help", "-a", "tcpip", "h"}, {help}},
        {{"qelmar", "--version"}, {version}},
        {{"qelmar", "--version", "--help"}, {help}},
        {{"qelmar", "--version", "-a", "tcpip", "h"}, {version}},
        // Several files, from the front.
        {{"qelmar", "--files", "-a", "tcpip", "h.1", "h"},
         {report, ReportScope::all, "tcpip", "", {}, {}, false, {}, {"h.1", "h"}}},
        {{"qelmar", "--files", "tcpip", "h"},
         {report, ReportScope::recent, "tcpip", "", {}, {}, false, {}, {"h"}}},
        {{"qelmar", "tcpip", "--files", "h.2", "h.1", "h"},
         {report, ReportScope::recent, "tcpip", "", {}, {}, false, {}, {"h.2", "h.1", "h"}}},
        {{"qelmar", "--files", "-A", "tcpip", "h"},
         {report, ReportScope::recent, "-A", "", {}, {}, false, {}, {"tcpip", "h"}}},
        {{"qelmar", "--files", "--all", "tcpip", "h"},
         {report, ReportScope::all, "tcpip", "", {}, {}, false, {}, {"h"}}},
        {{"qelmar", "--files", "-a", "tcpip"}, {usage_error}},
        {{"qelmar", "--files", "tcpip"}, {usage_error}},
    };
    for (const auto& c : cases) {
        RunOptions opts;
        BadArgument bad;
        const Want& w = c.want;
        ASSERT_EQ(parse_arguments(static_cast<int>(c.argv.size()), c.argv.data(), now, opts, bad),
                  w.request)
            << c.argv.size() << ' ' << c.argv.back();
        if (w.request != Request::report)
            continue;
        EXPECT_EQ(opts.scope, w.scope) << c.argv.back();
        EXPECT_EQ(opts.line_name, w.line);
        const std::vector<std::string_view> paths(opts.history_paths.begin(), opts.history_paths.end());
        EXPECT_EQ(paths, w.files.empty() ? std::vector<std::string_view>{w.path} : w.files);
        EXPECT_EQ(opts.period.since, w.since);
        EXPECT_EQ(opts.period.until, w.until);
        EXPECT_EQ(opts.full_time, w.full_time);
        EXPECT_EQ(opts.ignored, w.ignored) << c.argv.back();
    }
}

TEST(parse_arguments, the_first_bad_option_is_reported)
{
    using enum BadArgument::Kind;
    const ZoneScope utc("UTC");
    const struct {
        std::vector<const char*> argv;
        Bad want;
    } cases[] = {
        {{"qelmar", "--sinse=2026-11-01", "tcpip", "h"}, {unknown_option, "--sinse=2026-11-01"}},
        {{"qelmar", "--full-time=1", "tcpip", "h"}, {unknown_option, "--full-time=1"}},
        {{"qelmar", "--all=yes", "tcpip", "h"}, {unknown_option, "--all=yes"}},
        {{"qelmar", "---all", "tcpip", "h"}, {unknown_option, "---all"}},
        {{"qelmar", "--since", "tcpip", "h"}, {invalid_time, "tcpip"}},
        {{"qelmar", "tcpip", "h", "--since"}, {missing_value, "--since"}},
        {{"qelmar", "--until"}, {missing_value, "--until"}},
        {{"qelmar", "--version=1"}, {unknown_option, "--version=1"}},
        // A period that holds no instant; one second is a period.
        {{"qelmar", "--since=2026-12-01", "--until=2026-11-01", "tcpip", "h"},
         {empty_period, "2026-12-01", "2026-11-01"}},
        {{"qelmar", "--until", "@4", "--since", "@5", "tcpip", "h"}, {empty_period, "@5", "@4"}},
        {{"qelmar", "--since=", "tcpip", "h"}, {invalid_time, ""}},
        {{"qelmar", "--until=2026-02-30", "tcpip", "h"}, {invalid_time, "2026-02-30"}},
        {{"qelmar", "--x", "--since=bad", "tcpip", "h"}, {unknown_option, "--x"}},
        {{"qelmar", "--since=bad", "--x", "tcpip", "h"}, {invalid_time, "bad"}},
        {{"qelmar", "--since=bad", "--since=@5", "tcpip", "h"}, {invalid_time, "bad"}},
        {{"qelmar", "--help", "--x"}, {unknown_option, "--x"}},
    };
    for (const auto& c : cases) {
        RunOptions opts;
        BadArgument bad;
        ASSERT_EQ(parse_arguments(static_cast<int>(c.argv.size()), c.argv.data(), now, opts, bad),
                  Request::bad_argument)
            << c.argv[1];
        EXPECT_EQ(bad.kind, c.want.kind) << c.argv[1];
        EXPECT_EQ(bad.text, c.want.text) << c.argv[1];
        EXPECT_EQ(bad.other, c.want.other) << c.argv[1];
    }
}

} // namespace
