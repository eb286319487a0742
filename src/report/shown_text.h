// shown_text.h - texts from the history as they may be shown: bytes that
// could drive a terminal or break a page become '?'.
#pragma once

#include <cstddef>
#include <string_view>

// The length of the well-formed UTF-8 sequence that starts text, or 0 when
// its first byte starts none: overlong forms, surrogates and code points
// past U+10FFFF are not well formed.
inline std::size_t utf8_length(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned c = byte(0);
    std::size_t n;
    unsigned lowest = 0x80, highest = 0xbf; // of the second byte
    if (c >= 0xc2 && c <= 0xdf) {
        n = 2;
    } else if (c >= 0xe0 && c <= 0xef) {
        n = 3;
        lowest = c == 0xe0 ? 0xa0 : 0x80;
        highest = c == 0xed ? 0x9f : 0xbf;
    } else if (c >= 0xf0 && c <= 0xf4) {
        n = 4;
        lowest = c == 0xf0 ? 0x90 : 0x80;
        highest = c == 0xf4 ? 0x8f : 0xbf;
    } else {
        return 0;
    }
    if (text.size() < n || byte(1) < lowest || byte(1) > highest)
        return 0;
    for (std::size_t i = 2; i < n; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xbf)
            return 0;
    return n;
}

// Hands text to show in pieces that may go to a terminal: runs of bytes as
// they stand, and "?" for each control (C0, DEL and C1, the last also as
// UTF-8) and each byte that is not part of well-formed UTF-8, any of which
// could start an escape sequence.
template <class Show>
void for_each_shown(std::string_view text, Show show)
{
    std::size_t run = 0; // bytes of text before i that go out as they stand
    std::size_t i = 0;
    const auto question = [&](std::size_t skip) {
        show(text.substr(i - run, run));
        show(std::string_view("?", 1));
        i += skip;
        run = 0;
    };
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            if (c < 0x20 || c == 0x7f) {
                question(1);
            } else {
                ++i;
                ++run;
            }
            continue;
        }
        const std::size_t n = utf8_length(text.substr(i));
        if (n == 0) {
            question(1);
        } else if (n == 2 && c == 0xc2 && static_cast<unsigned char>(text[i + 1]) < 0xa0) {
            question(2); // U+0080 to U+009F
        } else {
            i += n;
            run += n;
        }
    }
    show(text.substr(i - run, run));
}

