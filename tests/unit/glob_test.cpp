// Shell patterns over bytes: what they match, and which are well formed.
#include "history/glob.h"

#include <gtest/gtest.h>

#include <string>

TEST(glob_matches, each_feature_on_addresses)
{
    const struct {
        const char* pattern;
        std::string text;
        bool match;
    } cases[] = {
        {"2:5020/52", "2:5020/52", true},
        {"2:5020/52", "2:5020/521", false},
        {"2:5020/52", "2:5020/5", false},
        // A star takes any run, '/', '.', ':' and '@' included, or none.
        {"2:5020/*", "2:5020/52", true},
        {"2:5020/*", "2:5020/", true},
        {"2:*", "2:5020/1042.7@fidonet", true},
        {"*.7", "2:5020/1042.7", true},
        {"*.7", "2:5020/1042.77", false},
        {"*5020*42*", "2:5020/1042.7", true},
        {"a*b*c", "abbbcbc", true},
        {"a*b*c", "abbbcb", false},
        {"**", "", true},
        {"*", "", true},
        // '?' is one byte, any byte.
        {"2:5020/5?", "2:5020/52", true},
        {"2:5020/5?", "2:5020/5", false},
        {"?", std::string(1, '\0'), true},
        // Sets, ranges and their negation by '!' or '^'.
        {"2:50[12]0/*", "2:5020/1", true},
        {"2:50[12]0/*", "2:5030/1", false},
        {"[0-9]:*", "2:1", true},
        {"[!0-9]:*", "2:1", false},
        {"[^0-9]:*", "x:1", true},
        {"[]a]", "]", true},
        {"[!]a]", "]", false},
        {"[a-]", "-", true},
        {"[\\]]", "]", true},
        {"[\x80-\xff]", "\xe9", true},
        {"[a-c]", "\xe9", false},
        // A backslash takes the next byte as it is.
        {"a\\*", "a*", true},
        {"a\\*", "ab", false},
        {"\\[x]", "[x]", true},
        // Case counts.
        {"abc", "ABC", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(glob_matches(c.pattern, c.text), c.match) << c.pattern << " on " << c.text;
}

TEST(valid_glob, empty_unclosed_sets_and_a_last_backslash_are_refused)
{
    for (const char* good : {"a", "*", "[a]", "[]]", "[!]]", "a\\\\", "\\[", "[\\]]"})
        EXPECT_TRUE(valid_glob(good)) << good;
    for (const char* bad : {"", "[", "[a", "a[", "[!]", "[]", "a\\", "[a\\]"})
        EXPECT_FALSE(valid_glob(bad)) << bad;
    EXPECT_FALSE(is_glob("2:5020/52"));
    for (const char* glob : {"2:*", "?", "[a]", "a\\b"})
        EXPECT_TRUE(is_glob(glob)) << glob;
}

TEST(glob_matches, many_stars_on_a_long_text_take_no_time)
{
    const std::string text(100000, 'a');
    EXPECT_FALSE(glob_matches("*a*a*a*a*a*a*a*a*b", text));
    EXPECT_TRUE(glob_matches("*a*a*a*a*a*a*a*a*", text));
}
