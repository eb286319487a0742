#include "report/writer.h"

#include "render.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>

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
    const std::string big(3 * Writer::capacity, 'x');
    out.put(big);
    expected += big;
    EXPECT_TRUE(out.flush());
    ::close(fd);
    EXPECT_EQ(file.read(), expected);
}

} // namespace
