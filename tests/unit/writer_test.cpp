#include "report/writer.h"

#include "render.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/uio.h>
#include <thread>
#include <unistd.h>

namespace {

TEST(put_field, control_bytes_become_question_marks_only_on_a_terminal)
{
    const std::string text("a\x1b[2J\x7f\x01\x1f\xc3\xa9 ~", 12);
    Writer pipe(-1, false);
    pipe.put_field_left(text, 16);
    EXPECT_EQ(pipe.pending(), text + "    ");

    Writer tty(-1, true);
    tty.put_field_left(text, 16);
    EXPECT_EQ(tty.pending(), "a?[2J???\xc3\xa9 ~    ");
    Writer tty_right(-1, true);
    tty_right.put_field_right(std::string_view("\t", 1), 3);
    EXPECT_EQ(tty_right.pending(), "  ?");
}

TEST(put_field, justifies_every_length_in_short_and_wide_columns)
{
    const std::string letters = "abcdefghijklmnopqrstuvwxyz";
    for (const std::size_t width : {1U, 3U, 16U, 20U}) {
        for (std::size_t n = 0; n <= 18; ++n) {
            const std::string text = letters.substr(0, n);
            const std::string pad(n < width ? width - n : 0, ' ');
            Writer out(-1);
            out.put("<");
            out.put_field_left(text, width);
            out.put("|");
            out.put_field_right(text, width);
            out.put(">");
            EXPECT_EQ(out.pending(), "<" + text + pad + "|" + pad + text + ">") << width << ' ' << n;
        }
    }
}

TEST(put_field, on_a_terminal_controls_and_broken_utf8_show_as_question_marks)
{
    const struct {
        std::string_view text, shown;
    } cases[] = {
        {"2:5020/52", "2:5020/52"},
        {"a\x1b[2J\x7f", "a?[2J?"},           // C0 and DEL
        {"\x9b" "31m", "?31m"},                 // a raw C1 byte is no UTF-8
        {"\xc2\x9b" "31m", "?31m"},             // CSI as UTF-8: one '?'
        {"\xc2\x80\xc2\x9f\xc2\x9d", "???"},   // U+0080, U+009F, OSC
        {"\xc2\xa0\xc3\xa9", "\xc2\xa0\xc3\xa9"}, // NBSP and e acute stay
        {"\xe2\x82\xac\xf0\x9f\x98\x80", "\xe2\x82\xac\xf0\x9f\x98\x80"},
        {"\xc0\xaf", "??"},                     // overlong
        {"\xed\xa0\x80", "???"},                // a surrogate
        {"\xf4\x90\x80\x80", "????"},           // past U+10FFFF
        {"ab\xe2\x82", "ab??"},                 // cut short
        {"\xff\xfe\x80", "???"},
    };
    for (const auto& c : cases) {
        Writer tty(-1, true);
        tty.put_field_left(c.text, 16);
        tty.put("|");
        tty.put_field_right(c.text, 16);
        const std::string pad(c.shown.size() < 16 ? 16 - c.shown.size() : 0, ' ');
        EXPECT_EQ(tty.pending(), std::string(c.shown) + pad + "|" + pad + std::string(c.shown))
            << c.text;
        Writer pipe(-1, false);
        pipe.put_field_left(c.text, 16);
        EXPECT_EQ(pipe.pending().substr(0, c.text.size()), c.text);
    }
}

TEST(put_field, longer_than_its_width_is_printed_whole)
{
    Writer out(-1);
    out.put_field_left("2:5020/1042.12345678901234567890", 16);
    out.put_field_right("OIXYZABCDEFG", 3);
    EXPECT_EQ(out.pending(), "2:5020/1042.12345678901234567890OIXYZABCDEFG");
}

TEST(flush, write_failure_sticks)
{
    const int fd = ::open("/dev/full", O_WRONLY);
    if (fd < 0)
        GTEST_SKIP() << "no /dev/full";
    Writer out(fd);
    out.put("report\n");
    EXPECT_FALSE(out.flush());
    out.put("more\n");
    EXPECT_FALSE(out.flush());
    ::close(fd);
}

TEST(put, output_larger_than_the_buffer_arrives_whole)
{
    ScratchFile file;
    const int fd = ::open(file.path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    Writer out(fd);
    std::string expected;
    for (int i = 0; i < 20000; ++i) {
        out.put_uint(static_cast<std::uint64_t>(i), 7);
        out.put('\n');
        expected += std::string(7 - std::to_string(i).size(), ' ') + std::to_string(i) + "\n";
    }
    const std::string big(3 * Writer::buffer_size, 'x');
    out.put(big);
    expected += big;
    EXPECT_TRUE(out.flush());
    ::close(fd);
    EXPECT_EQ(file.read(), expected);
}

// What the stand-ins for writev below took.
std::string taken;

// Takes at most three bytes per call, as a slow device might.
long take_three(int, const iovec* iov, int count)
{
    long n = 0;
    for (int i = 0; i < count && n < 3; ++i)
        for (std::size_t k = 0; k < iov[i].iov_len && n < 3; ++k, ++n)
            taken += static_cast<const char*>(iov[i].iov_base)[k];
    return n;
}

long take_nothing(int, const iovec*, int)
{
    return 0;
}

TEST(write_all, goes_on_after_short_writes_in_the_middle_of_pieces)
{
    taken.clear();
    EXPECT_TRUE(write_all(-1, "Cannot open input file '", "/var/spool/ftn/history", "'.\n",
                          take_three));
    EXPECT_EQ(taken, "Cannot open input file '/var/spool/ftn/history'.\n");
}

TEST(write_all, a_write_of_nothing_is_a_failure)
{
    EXPECT_FALSE(write_all(-1, "report\n", {}, {}, take_nothing));
}

TEST(write_all, waits_while_a_non_blocking_pipe_is_full)
{
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ASSERT_EQ(::fcntl(fds[1], F_SETFL, ::fcntl(fds[1], F_GETFL) | O_NONBLOCK), 0);
    const std::string report(1 << 20, 'r'); // far more than the pipe holds
    std::string got;
    std::thread reader([&] {
        ::usleep(50000); // let the pipe fill first
        char buf[4096];
        for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
            got.append(buf, static_cast<std::size_t>(n));
    });
    EXPECT_TRUE(write_all(fds[1], report));
    ::close(fds[1]);
    reader.join();
    ::close(fds[0]);
    EXPECT_EQ(got.size(), report.size());
}

} // namespace

TEST(kept_all, a_writer_into_memory_tells_when_text_outgrew_it)
{
    char memory[32];
    Writer fits(memory, sizeof memory, false);
    fits.put("twenty-one bytes here");
    EXPECT_TRUE(fits.kept_all());
    EXPECT_EQ(fits.pending(), "twenty-one bytes here");
#ifdef NDEBUG
    Writer outgrown(memory, sizeof memory, false);
    outgrown.put("twenty-one bytes here");
    outgrown.put("and more than the rest of the room");
    EXPECT_FALSE(outgrown.kept_all());
#else
    // Debug builds stop, so that a wrong estimate of a row's size is caught.
    EXPECT_DEATH(
        {
            Writer outgrown(memory, sizeof memory, false);
            outgrown.put("twenty-one bytes here");
            outgrown.put("and more than the rest of the room");
        },
        "outgrew");
#endif
}
