// line_scan.h - the line feeds, commas and digits of 64 bytes, found at once.
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Bit i of each mask tells of byte i.
struct LineMarks {
    std::uint64_t commas = 0;
    std::uint64_t digits = 0;
};

// Plain integer helpers, eight bytes at a time, for any processor. Each
// marks a byte by its high bit and is exact for every byte: nothing carries
// from one byte into the next.
namespace word_marks {

inline constexpr std::uint64_t ones = 0x0101010101010101ULL;
inline constexpr std::uint64_t low7 = 0x7f7f7f7f7f7f7f7fULL;

// The eight bytes at p, byte k in bits 8k, whatever the byte order.
inline std::uint64_t load(const unsigned char* p)
{
    std::uint64_t w = 0;
    for (unsigned k = 0; k < 8; ++k)
        w |= std::uint64_t{p[k]} << (8 * k);
    return w;
}

// The bytes of w that are zero.
inline std::uint64_t zeros(std::uint64_t w)
{
    return ~((((w & low7) + low7) | w)) & ~low7;
}

inline std::uint64_t equal(std::uint64_t w, unsigned char c)
{
    return zeros(w ^ (ones * c));
}

// The same, but exact only up to the first byte that equals c: a byte
// after it may be marked too. Cheaper, where only the first counts.
inline std::uint64_t first_equal(std::uint64_t w, unsigned char c)
{
    const std::uint64_t x = w ^ (ones * c);
    return (x - ones) & ~x & ~low7;
}

// A digit is 0x30 to 0x39: high half 3, and adding 6 keeps the low half
// below 16.
inline std::uint64_t digits(std::uint64_t w)
{
    const std::uint64_t high = (w & 0xf0f0f0f0f0f0f0f0ULL) ^ (ones * 0x30);
    const std::uint64_t low = ((w & 0x0f0f0f0f0f0f0f0fULL) + ones * 6) & 0xf0f0f0f0f0f0f0f0ULL;
    return zeros(high | low);
}

// The marks gathered into the low byte, byte k to bit k.
inline std::uint64_t gather(std::uint64_t marks)
{
    return (marks >> 7) * 0x0102040810204080ULL >> 56;
}

} // namespace word_marks

inline LineMarks scan_line_portable(const unsigned char* p)
{
    LineMarks marks;
    for (unsigned i = 0; i < 8; ++i) {
        const std::uint64_t w = word_marks::load(p + 8 * i);
        marks.commas |= word_marks::gather(word_marks::equal(w, ',')) << (8 * i);
        marks.digits |= word_marks::gather(word_marks::digits(w)) << (8 * i);
    }
    return marks;
}

inline std::uint64_t scan_feeds_portable(const unsigned char* p)
{
    std::uint64_t feeds = 0;
    for (unsigned i = 0; i < 8; ++i)
        feeds |= word_marks::gather(word_marks::equal(word_marks::load(p + 8 * i), '\n'))
                 << (8 * i);
    return feeds;
}

#if defined(__SSE2__)
// The sixteen bytes at p, and a mask of those of them that equal c.
inline __m128i load16(const unsigned char* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

inline std::uint64_t equal16(__m128i v, char c)
{
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(c))));
}
#endif

// The commas and digits of the 64 bytes at p.
inline LineMarks scan_line(const unsigned char* p)
{
#if defined(__SSE2__)
    LineMarks marks;
    for (unsigned i = 0; i < 4; ++i) {
        const __m128i v = load16(p + 16 * i);
        // Signed compares: bytes from 0x80 are negative, so no digits.
        const __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8('0' - 1)),
                                            _mm_cmplt_epi8(v, _mm_set1_epi8('9' + 1)));
        marks.commas |= equal16(v, ',') << (16 * i);
        marks.digits |= std::uint64_t{static_cast<std::uint32_t>(_mm_movemask_epi8(digit))}
                        << (16 * i);
    }
    return marks;
#else
    return scan_line_portable(p);
#endif
}

// Bit i set where byte i of the 64 bytes at p is a line feed.
inline std::uint64_t scan_feeds(const unsigned char* p)
{
#if defined(__SSE2__)
    std::uint64_t feeds = 0;
    for (unsigned i = 0; i < 4; ++i)
        feeds |= equal16(load16(p + 16 * i), '\n') << (16 * i);
    return feeds;
#else
    return scan_feeds_portable(p);
#endif
}
