// colliding.h - addresses that all share one value of the index's quick
// hash, as a remote peer that knows the hash could choose them.
#pragma once

#include <cstdint>
#include <string>

// The i-th of many 16-byte texts that share one hash_text value: eight
// bytes that count i, and eight that undo their effect on the hash. Empty
// when those hold a comma, a line feed or a NUL, which a history field
// cannot.
inline std::string colliding_text(std::uint64_t i)
{
    // hash_text of 16 bytes a, b (each read low byte first) is an
    // invertible mix of (a ^ c1 ^ 16) * m1 ^ (b + c2) * m2.
    constexpr std::uint64_t c1 = 0x9e3779b97f4a7c15ULL, m1 = 0xff51afd7ed558ccdULL;
    constexpr std::uint64_t c2 = 0x2545f4914f6cdd1dULL, m2 = 0xc4ceb9fe1a85ec53ULL;
    constexpr std::uint64_t target = 0x5151515151515151ULL;
    std::uint64_t m2_inverse = m2; // Newton's step doubles the bits that are right
    for (int k = 0; k < 6; ++k)
        m2_inverse *= 2 - m2 * m2_inverse;
    std::string text = "2:";
    for (std::uint64_t n = i, k = 0; k < 6; ++k, n /= 36)
        text += "0123456789abcdefghijklmnopqrstuvwxyz"[n % 36];
    std::uint64_t a = 0;
    for (int k = 7; k >= 0; --k)
        a = a << 8 | static_cast<unsigned char>(text[static_cast<std::size_t>(k)]);
    std::uint64_t b = (target ^ (a ^ c1 ^ 16) * m1) * m2_inverse - c2;
    for (int k = 0; k < 8; ++k, b >>= 8) {
        const char c = static_cast<char>(b & 0xff);
        if (c == ',' || c == '\n' || c == '\0')
            return {};
        text += c;
    }
    return text;
}
