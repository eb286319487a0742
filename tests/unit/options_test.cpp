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
};

struct Bad {
    BadArgument::Kind kind;
    std::string_view text;
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
        {{"qelmar", "x", "y", "-a", "tcpip", "h"}, {report, ReportScope::all, "tcpip", "h"}},
        {{"qelmar", "-A", "tcpip", "h"}, {report, ReportScope::recent, "tcpip", "h"}},
        {{"qelmar", "-ab", "tcpip", "h"}, {report, ReportScope::recent, "tcpip", "h"}},
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
        {{"qelmar", "--", "tcpip", "--h"}, {report, ReportScope::recent, "tcpip", "--h"}},
        {{"qelmar", "tcpip", "--", "--all"}, {report, ReportScope::recent, "tcpip", "--all"}},
        {{"qelmar", "--all", "h"}, {usage}},
        {{"qelmar", "--help"}, {help}},
        {{"qelmar", "--help", "-a", "tcpip", "h"}, {help}},
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
        EXPECT_EQ(std::string_view(opts.history_path), w.path);
        EXPECT_EQ(opts.since, w.since);
        EXPECT_EQ(opts.until, w.until);
        EXPECT_EQ(opts.full_time, w.full_time);
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
        {{"qelmar", "--since", "tcpip", "h"}, {missing_value, "--since"}},
        {{"qelmar", "--until"}, {missing_value, "--until"}},
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
    }
}

} // namespace
