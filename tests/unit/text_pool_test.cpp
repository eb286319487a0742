#include "history/text_pool.h"

#include "colliding.h"

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

TEST(intern, texts_that_share_one_hash_turn_the_index_to_a_keyed_hash)
{
    std::vector<std::string> texts;
    for (std::uint64_t i = 0; texts.size() < 20000; ++i)
        if (std::string t = colliding_text(i); !t.empty())
            texts.push_back(t);
    for (const std::string& t : texts)
        ASSERT_EQ(hash_text(t), hash_text(texts[0])) << "the texts no longer collide";
    TextPool pool;
    for (std::size_t i = 0; i < texts.size(); ++i)
        ASSERT_EQ(intern(pool, texts[i], hash_text(texts[i])), i);
    EXPECT_TRUE(pool.keyed);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(intern(pool, texts[i], hash_text(texts[i])), i);
        EXPECT_EQ(text_of(pool, static_cast<std::uint32_t>(i)), texts[i]);
    }
}

TEST(intern, ordinary_texts_keep_the_quick_hash)
{
    TextPool pool;
    for (int i = 0; i < 200000; ++i)
        intern(pool, "2:" + std::to_string(i % 5000) + "/" + std::to_string(i));
    EXPECT_FALSE(pool.keyed);
}

// The published SipHash-2-4 vectors: key 00 01 ... 0f, messages 00 01 ...
// of each length.
TEST(keyed_hash, is_siphash_2_4)
{
    const std::uint64_t key[2] = {0x0706050403020100ULL, 0x0f0e0d0c0b0a0908ULL};
    const struct {
        std::size_t length;
        std::uint64_t hash;
    } vectors[] = {
        {0, 0x726fdb47dd0e0e31ULL},  {1, 0x74f839c593dc67fdULL},  {7, 0xab0200f58b01d137ULL},
        {8, 0x93f5f5799a932462ULL},  {9, 0x9e0082df0ba9e4b0ULL},  {15, 0xa129ca6149be45e5ULL},
        {16, 0x3f2acc7f57c29bdbULL}, {63, 0x958a324ceb064572ULL},
    };
    std::string message;
    for (int i = 0; i < 64; ++i)
        message.push_back(static_cast<char>(i));
    for (const auto& v : vectors)
        EXPECT_EQ(keyed_hash(key, std::string_view(message).substr(0, v.length)), v.hash) << v.length;
}

} // namespace
