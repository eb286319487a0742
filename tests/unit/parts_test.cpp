// Reading in parts: the split at line feeds, the joins of what the parts
// give, and the log formatted on several threads.
#include "app/collect.h"
#include "history/file_parts.h"
#include "history/reader.h"
#include "history/workers.h"
#include "report/session_log.h"
#include "stats/calls.h"
#include "stats/groups.h"

#include "render.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The ranges split_history gives for a file of content, as from-to pairs,
// -1 standing for an open end.
std::vector<std::pair<long, long>> split(const std::string& content, std::size_t parts,
                                         std::uint64_t least = 0)
{
    ScratchFile file(content);
    const int fd = ::open(file.path.c_str(), O_RDONLY);
    std::vector<std::pair<long, long>> out;
    for (const FileRange& r : split_history(fd, parts, least))
        out.emplace_back(static_cast<long>(r.from), r.to ? static_cast<long>(*r.to) : -1);
    ::close(fd);
    return out;
}

using Ranges = std::vector<std::pair<long, long>>;

} // namespace

TEST(split_history, parts_begin_right_after_a_line_feed)
{
    // "a\nbb\nccc\n": line feeds at 1, 4 and 8.
    EXPECT_EQ(split("a\nbb\nccc\n", 2), (Ranges{{0, 5}, {5, -1}}));
    // The even place 5 less one is a line feed: the part begins right there.
    EXPECT_EQ(split("abcd\nefgh\n", 2), (Ranges{{0, 5}, {5, -1}}));
    // Three parts of "a\nb\nc\nd\ne\nf\n", one line each way round.
    EXPECT_EQ(split("a\nb\nc\nd\ne\nf\n", 3), (Ranges{{0, 4}, {4, 8}, {8, -1}}));
    // Past the last line feed the rest stays one part: an unfinished line.
    EXPECT_EQ(split("aaaaaaa\nbbbbbbbbbbbbbbbbbbbb", 4), (Ranges{{0, 8}, {8, -1}}));
}

TEST(split_history, a_long_line_takes_every_place_it_spans)
{
    const std::string content = "a\n" + std::string(100000, 'x') + "\nb\n";
    EXPECT_EQ(split(content, 7), (Ranges{{0, 100003}, {100003, -1}}));
}

TEST(split_history, files_read_as_one_stream)
{
    EXPECT_TRUE(split("", 2).empty());
    EXPECT_TRUE(split("no line feed at all", 2).empty());
    EXPECT_TRUE(split("a\nb\n", 1).empty());
    EXPECT_TRUE(split("a\nb\nc\nd\n", 2, 5).empty()); // too small for two parts of 5 bytes
    EXPECT_EQ(split("a\nb\nc\nd\n", 4, 4).size(), 2U);
    EXPECT_TRUE(split(std::string("\x1f\x8b\x08", 3) + "\nrest\n", 2).empty()); // gzip
    int pipe_fds[2];
    ASSERT_EQ(::pipe(pipe_fds), 0);
    ASSERT_EQ(::write(pipe_fds[1], "a\nb\n", 4), 4);
    EXPECT_TRUE(split_history(pipe_fds[0], 2, 0).empty());
    ::close(pipe_fds[0]);
    ::close(pipe_fds[1]);
}

TEST(plan_parts, files_split_as_the_threads_and_their_sizes_allow)
{
    // Lines of 64 bytes: a large file of 24 MiB, a small one of 16 lines.
    const std::string row = std::string(63, 'x') + "\n";
    std::string large_text;
    for (int i = 0; i < 24 * 1024 * 1024 / 64; ++i)
        large_text += row;
    std::string small_text;
    for (int i = 0; i < 16; ++i)
        small_text += row;
    const ScratchFile large(large_text), small(small_text);
    const ScratchFile packed(std::string("\x1f\x8b\x08\0\0\0\0\0\0\x03", 10) + large_text);
    const char* stdin_name = "-";
    const struct {
        std::vector<const char*> paths;
        std::size_t threads;
        bool given;
        std::size_t parts;
        std::vector<std::size_t> first_part;
    } cases[] = {
        // One thread never splits; by default a part has at least 8 MiB.
        {{large.path.c_str()}, 1, false, 1, {0}},
        {{large.path.c_str()}, 2, false, 2, {0}},
        {{large.path.c_str()}, 7, false, 3, {0}},
        {{small.path.c_str()}, 2, false, 1, {0}},
        // Threads given split whatever the size.
        {{large.path.c_str()}, 7, true, 7, {0}},
        {{small.path.c_str()}, 2, true, 2, {0}},
        {{small.path.c_str()}, 7, true, 7, {0}},
        // The standard input and a compressed file are read whole.
        {{stdin_name}, 7, true, 1, {0}},
        {{packed.path.c_str()}, 7, true, 1, {0}},
        // Files read whole one after another share a part; a split one has
        // parts of its own.
        {{small.path.c_str(), small.path.c_str(), large.path.c_str(), small.path.c_str()}, 2, false, 4, {0, 0, 1, 3}},
        {{stdin_name, packed.path.c_str(), small.path.c_str()}, 2, true, 3, {0, 0, 1}},
    };
    for (const auto& c : cases) {
        HistoryFiles files;
        files.paths = c.paths;
        for (const char* path : c.paths)
            files.fds.push_back(std::string_view(path) == "-" ? STDIN_FILENO : ::open(path, O_RDONLY));
        const PartPlan plan = plan_parts(files, c.threads, c.given);
        EXPECT_EQ(plan.parts, c.parts) << c.paths.size() << " files, " << c.threads << " threads";
        EXPECT_EQ(plan.first_part, c.first_part) << c.paths.size() << " files, " << c.threads << " threads";
    }
}

TEST(read_history_range, parts_give_the_lines_of_the_whole)
{
    std::string content;
    for (int i = 0; i < 500; ++i)
        content += "tcpip,2:5020/" + std::to_string(i % 37) + "," + std::to_string(1000 + i) +
                   ",10,I,0,1,2,3,4,5,6\n" + (i % 50 == 0 ? "tcpip,short\n" : "");
    content += "tcpip,2:1/1,9999,10,I,0,1,2,3,4,5,6"; // no line feed: left out
    ScratchFile file(content);
    const int fd = ::open(file.path.c_str(), O_RDONLY);
    const Selection sel = select_lines("tcpip");
    for (std::size_t n : {2, 3, 7, 64}) {
        const auto ranges = split_history(fd, n, 0);
        ASSERT_GE(ranges.size(), 2U);
        std::vector<std::int64_t> starts;
        std::uint64_t skipped = 0;
        for (const FileRange& r : ranges) {
            SessionTable table;
            ReadNotes notes;
            ASSERT_EQ(read_history_range(fd, r, sel, table, notes), ReadStatus::ok);
            SessionCursor cursor;
            for (Session s; next_session(table, cursor, s);)
                starts.push_back(s.start);
            skipped += notes.skipped;
        }
        ASSERT_EQ(starts.size(), 500U) << n << " parts";
        for (int i = 0; i < 500; ++i)
            EXPECT_EQ(starts[static_cast<std::size_t>(i)], 1000 + i);
        EXPECT_EQ(skipped, 10U);
    }
    ::close(fd);
}

TEST(add_notes, joins_as_one_reading_would_note)
{
    ReadNotes a, b;
    a.skipped = 2;
    a.named = {true, false, false};
    a.names_in_file = {"a", "c", "e", "g", "i", "k", "m", "o", "q", "s", "u"};
    b.skipped = 3;
    b.named = {false, false, true};
    b.names_in_file = {"b", "c", "d"};
    add_notes(a, b);
    EXPECT_EQ(a.skipped, 5U);
    EXPECT_EQ(a.named, (std::vector<bool>{true, false, true}));
    // The first listed_names of both, and one more to show there are more.
    EXPECT_EQ(a.names_in_file,
              (std::vector<std::string>{"a", "b", "c", "d", "e", "g", "i", "k", "m", "o", "q"}));
}

TEST(merge_calls, the_later_part_wins_between_equal_starts)
{
    CallSums first, next;
    first.systems = {{"2:1/1", 2, 1, 50, 40, 50, 7}, {"2:1/3", 1, 0, 10, 10, {}, 0}};
    first.calls = 3;
    first.failed = 1;
    next.systems = {{"2:1/1", 1, 1, 50, {}, 50, 9}, {"2:1/2", 1, 1, 5, {}, 5, -1}};
    next.calls = 2;
    next.failed = 2;
    merge_calls(first, next);
    ASSERT_EQ(first.systems.size(), 3U);
    EXPECT_EQ(first.systems[0], (CallStats{"2:1/1", 3, 2, 50, 40, 50, 9}));
    EXPECT_EQ(first.systems[1], (CallStats{"2:1/2", 1, 1, 5, {}, 5, -1}));
    EXPECT_EQ(first.systems[2], (CallStats{"2:1/3", 1, 0, 10, 10, {}, 0}));
    EXPECT_EQ(first.calls, 5U);
    EXPECT_EQ(first.failed, 3U);
}

TEST(merge_groups, groups_first_met_in_a_later_part_follow)
{
    GroupSums first, next;
    first.unit = next.unit = GroupUnit::line;
    first.groups = {Group{{1}, {}, {}, {10, 1}}, Group{{0}, {}, {}, {5, 1}}};
    first.places = {{GroupKey{1}, 0}, {GroupKey{0}, 1}};
    first.sessions = 2;
    next.groups = {Group{{2}, {}, {}, {7, 1}}, Group{{1}, {}, {}, {3, 2}}};
    next.sessions = 3;
    merge_groups(first, next);
    ASSERT_EQ(first.groups.size(), 3U);
    EXPECT_EQ(first.groups[0].key.value, 1);
    EXPECT_EQ(first.groups[0].sums.online, 13);
    EXPECT_EQ(first.groups[0].sums.sessions, 3U);
    EXPECT_EQ(first.groups[2].key.value, 2);
    EXPECT_EQ(first.sessions, 5U);
}

namespace {

// A table of n sessions over a few addresses, some with control bytes and
// bytes that are not UTF-8, and every 1,000th with a 100,000-byte address:
// more text than a stretch of the log has room for.
SessionTable log_table(std::size_t n, std::int64_t first_start)
{
    SessionTable table;
    const std::string addresses[] = {"2:5020/52", "2:\x01\x7f/\xff", "f\xc3\xa9" "e", "2:463/68"};
    const std::string huge = "2:1/" + std::string(100000, '4');
    for (std::size_t i = 0; i < n; ++i) {
        Session s;
        s.address = intern(table.addresses, i % 1000 == 999 ? huge : addresses[i % 4]);
        s.flags = intern(table.flags, i % 3 == 0 ? "IO" : "\x1bO");
        s.start = first_start + static_cast<std::int64_t>(i) * 97;
        s.duration = static_cast<std::int64_t>(i % 5000);
        s.error = i % 7 == 0 ? -1 : 0;
        s.sent = static_cast<std::int64_t>(i) * 1000;
        s.received = static_cast<std::int64_t>(i);
        append_session(table, s);
    }
    return table;
}

// The log of tables as a file receives it, from a terminal-like writer or
// not, formatted by threads threads.
std::string printed_log(const SessionTables& tables, bool terminal, bool full_time, std::size_t threads)
{
    ScratchFile file;
    const int fd = ::open(file.path.c_str(), O_WRONLY | O_TRUNC);
    {
        Writer out(fd, terminal);
        LogRoom room = log_room(tables, threads);
        print_session_log(out, tables, "v1", full_time, &room);
        out.flush();
    }
    ::close(fd);
    return file.read();
}

} // namespace

TEST(print_session_log, several_threads_print_what_one_prints)
{
    SessionTables tables;
    tables.push_back(log_table(10000, 1790000000));
    tables.push_back(log_table(0, 0));
    tables.push_back(log_table(5000, 1790990000));
    EXPECT_EQ(log_room(tables, 4).stretches(), 5U); // 3 + 2 of 4,096 sessions at most
    EXPECT_EQ(log_room(tables, 1).stretches(), 0U);
    for (const bool terminal : {false, true})
        for (const bool full_time : {false, true}) {
            const std::string one = printed_log(tables, terminal, full_time, 1);
            for (const std::size_t threads : {2, 3, 8})
                EXPECT_EQ(printed_log(tables, terminal, full_time, threads), one)
                    << threads << " threads, terminal " << terminal << ", full time " << full_time;
        }
}

TEST(run_together, runs_every_piece_and_passes_on_running_out_of_memory)
{
    std::vector<int> done(9, 0);
    run_together(done.size(), [&](std::size_t i) { done[i] = static_cast<int>(i) + 1; });
    for (std::size_t i = 0; i < done.size(); ++i)
        EXPECT_EQ(done[i], static_cast<int>(i) + 1);
    EXPECT_THROW(run_together(3, [](std::size_t i) { if (i == 2) throw std::bad_alloc(); }),
                 std::bad_alloc);
    EXPECT_GE(processors_available(), 1U);
}
