#include "history/text_pool.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(same_text, every_length_and_every_differing_byte)
{
    for (std::size_t n = 0; n <= 24; ++n) {
        std::string a;
        for (std::size_t i = 0; i < n; ++i)
            a += static_cast<char>('a' + i);
        EXPECT_TRUE(same_text(a, std::string(a))) << n;
        for (std::size_t i = 0; i < n; ++i) {
            std::string b = a;
            b[i] = static_cast<char>(b[i] ^ 0x80);
            EXPECT_FALSE(same_text(a, b)) << n << " at " << i;
        }
        EXPECT_FALSE(same_text(a, a + "x")) << n;
    }
}

TEST(intern, one_id_per_distinct_text)
{
    TextPool pool;
    const std::string long_text(100, 'z');
    // Lengths on both sides of what a slot (16) and a record (24) hold.
    const std::string texts[] = {"",
                                 "O",
                                 "IO",
                                 "2:5020/52",
                                 std::string(16, 'p'),
                                 "2:5020/1042.12345",
                                 std::string(24, 'q'),
                                 std::string(25, 'r'),
                                 long_text,
                                 std::string("a\0b", 3),
                                 std::string("a\0c", 3)};
    std::uint32_t ids[std::size(texts)];
    for (std::size_t i = 0; i < std::size(texts); ++i)
        ids[i] = intern(pool, texts[i]);
    // Many more texts, so that the index grows several times.
    for (int i = 0; i < 20000; ++i)
        intern(pool, "2:" + std::to_string(i) + "/1");
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        EXPECT_EQ(ids[i], i);
        EXPECT_EQ(intern(pool, texts[i]), ids[i]);
        EXPECT_EQ(text_of(pool, ids[i]), texts[i]);
    }
    EXPECT_EQ(pool.count, std::size(texts) + 20000);
    EXPECT_EQ(intern(pool, "2:19999/1"), std::size(texts) + 19999);
}

} // namespace
