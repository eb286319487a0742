#include "app/messages.h"
#include "app/run.h"

#include "render.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <vector>

namespace {

constexpr std::int64_t now = 1700000000;

std::int64_t fixed_clock()
{
    return now;
}

struct Result {
    int status;
    std::string out;
    std::string err;
};

// Runs the tool on args with the history text, standard output going to
// out_path when it is given.
Result run_with(std::vector<std::string> args, const std::string& history,
                const char* out_path = nullptr)
{
    ScratchFile hist(history), out, err;
    std::vector<const char*> argv{"qelmar"};
    for (std::string& a : args) {
        if (a == "%IN")
            a = hist.path;
        argv.push_back(a.c_str());
    }
    const int out_fd = ::open(out_path != nullptr ? out_path : out.path.c_str(), O_WRONLY);
    const int err_fd = ::open(err.path.c_str(), O_WRONLY);
    Result r;
    r.status = run(static_cast<int>(argv.size()), argv.data(), out_fd, err_fd, fixed_clock);
    ::close(out_fd);
    ::close(err_fd);
    r.out = out.read();
    r.err = err.read();
    return r;
}

std::string session(std::int64_t start, std::string_view address = "9:99/1")
{
    return "tcpip," + std::string(address) + "," + std::to_string(start) +
           ",60,O,0,1,0,0,0,0,0\n";
}

// The log's count line.
std::string count_line(int n)
{
    std::string count = std::to_string(n);
    return "Total: " + std::string(3 - count.size(), ' ') + count + " session" +
           std::string(29, ' ') + "Qelmar v0.4/bsd\n";
}

TEST(reported_period, a_given_period_replaces_the_last_24_hours)
{
    EXPECT_EQ(last_24_hours(now, now + 1), (Period{now - 86400, now + 1}));
    EXPECT_EQ(last_24_hours(INT64_MIN + 5, 0).since, INT64_MIN);
    const Period given{5, std::nullopt};
    EXPECT_EQ(reported_period(given, false, now, now), given);
    EXPECT_EQ(reported_period(given, true, now, now), given);
    EXPECT_EQ(reported_period({}, false, now, now + 1), last_24_hours(now, now + 1));
    EXPECT_EQ(reported_period({}, true, now, now), std::nullopt);
    EXPECT_EQ(first_start(given), 5);
    EXPECT_EQ(last_start(given), INT64_MAX);
    EXPECT_FALSE(is_empty({5, 5}));
    EXPECT_TRUE(is_empty({6, 5}));
}

TEST(run, window_bounds_with_a_fixed_clock)
{
    const std::string history = session(now - 86401, "before") + session(now - 86400, "from") +
                                session(now, "to") + session(now + 1, "after");
    const Result r = run_with({"tcpip", "%IN"}, history);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find(count_line(2)), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" from "), std::string::npos);
    EXPECT_NE(r.out.find(" to "), std::string::npos);
    EXPECT_EQ(r.out.find("before"), std::string::npos);
    EXPECT_EQ(r.out.find("after"), std::string::npos);

    const Result all = run_with({"-a", "tcpip", "%IN"}, history);
    EXPECT_NE(all.out.find(count_line(4)), std::string::npos) << all.out;
}

TEST(run, skipped_lines_are_counted_after_the_report)
{
    const Result one = run_with({"-a", "tcpip", "%IN"}, session(5) + "tcpip,x,5,60\n");
    EXPECT_EQ(one.status, 0);
    EXPECT_EQ(one.err, "Skipped 1 incomplete history line.\n");
    EXPECT_NE(one.out.find(count_line(1)), std::string::npos);

    const Result two =
        run_with({"-a", "tcpip", "%IN"}, "tcpip,x\ntcpip,y,5,60,O\ncuaa1,z\n");
    EXPECT_EQ(two.err, "Skipped 2 incomplete history lines.\n");
}

TEST(run, write_failure_is_reported_last)
{
    if (::access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "no /dev/full";
    const Result r = run_with({"-a", "tcpip", "%IN"}, session(5) + "tcpip,x\n", "/dev/full");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Skipped 1 incomplete history line.\nCannot write report.\n");
    const Result usage = run_with({}, "", "/dev/full");
    EXPECT_EQ(usage.status, 1);
    EXPECT_EQ(usage.err, "Cannot write report.\n");
}

TEST(run, ignored_arguments_are_told_before_the_report)
{
    const Result r = run_with({"-s", "yesterday", "tcpip", "%IN"}, session(now));
    const Result plain = run_with({"tcpip", "%IN"}, session(now));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "Ignored argument '-s'.\nIgnored argument 'yesterday'.\n");
    EXPECT_EQ(r.out, plain.out);
    EXPECT_EQ(plain.err, "");
}

TEST(run, times_of_day_count_from_the_fixed_clock)
{
    // 1700000000 is 2023-11-14 22:13:20 UTC.
    const std::string history = session(now - 80000, "early") + session(now - 10, "late");
    const Result r = run_with({"--summary", "--since", "22:00", "--until=now", "tcpip", "%IN"}, history);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("late"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("early"), std::string::npos) << r.out;
}

TEST(run, open_and_read_failures)
{
    const Result missing = run_with({"tcpip", "/nonexistent/history"}, "");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "Cannot open input file '/nonexistent/history'.\n");

    const Result dir = run_with({"tcpip", "."}, "");
    EXPECT_EQ(dir.status, 1);
    EXPECT_EQ(dir.out, "");
    EXPECT_EQ(dir.err, "Cannot read input file '.'.\n");
}

} // namespace

TEST(print_failed_calls, control_bytes_show_as_question_marks_on_a_terminal_only)
{
    const FailedCalls calls{3, 2, {{"1:1/1", true}, {std::string_view("2:\x1b[2J/1", 8), false}}};
    for (const bool terminal : {false, true}) {
        ScratchFile file;
        const int fd = ::open(file.path.c_str(), O_WRONLY | O_TRUNC);
        print_failed_calls(fd, calls, terminal);
        ::close(fd);
        EXPECT_EQ(file.read(), std::string("Failed calls: 2 of 3; no good call from 1 system.\n"
                                           "No good call from: ") +
                                   (terminal ? "2:?[2J/1" : "2:\x1b[2J/1") + ".\n");
    }
}
