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

// Eight bytes at a time in plain integers; any processor.
inline LineMarks scan_line_portable(const unsigned char* p)
{
    constexpr std::uint64_t ones = 0x0101010101010101ULL;
    constexpr std::uint64_t low7 = 0x7f7f7f7f7f7f7f7fULL;
    LineMarks marks;
    for (unsigned i = 0; i < 8; ++i) {
        std::uint64_t w = 0;
        for (unsigned k = 0; k < 8; ++k) // byte k lands in bits 8k, whatever the byte order
            w |= std::uint64_t{p[8 * i + k]} << (8 * k);
        // High bit of each byte that is not zero, exact for every byte.
        const auto nonzero = [](std::uint64_t x) { return (((x & low7) + low7) | x) & ~low7; };
        const std::uint64_t comma = ~nonzero(w ^ (ones * ',')) & ~low7;
        // A digit is 0x30 to 0x39: high half 3, and adding 6 keeps it so.
        // The addition is done on seven-bit halves so that no byte carries.
        const std::uint64_t high = (w & 0xf0f0f0f0f0f0f0f0ULL) ^ (ones * 0x30);
        const std::uint64_t low = ((w & 0x0f0f0f0f0f0f0f0fULL) + ones * 6) & 0xf0f0f0f0f0f0f0f0ULL;
        const std::uint64_t digit = ~nonzero(high | low) & ~low7;
        // The high bits gathered into one byte, byte k to bit k.
        constexpr std::uint64_t gather = 0x0102040810204080ULL;
        marks.commas |= ((comma >> 7) * gather >> 56) << (8 * i);
        marks.digits |= ((digit >> 7) * gather >> 56) << (8 * i);
    }
    return marks;
}

// The same, sixteen bytes at a time where the processor has the means.
inline LineMarks scan_line(const unsigned char* p)
{
#if defined(__SSE2__)
    const __m128i comma = _mm_set1_epi8(',');
    const __m128i below_zero = _mm_set1_epi8('0' - 1);
    const __m128i above_nine = _mm_set1_epi8('9' + 1);
    LineMarks marks;
    for (unsigned i = 0; i < 4; ++i) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
        // Signed compares: bytes from 0x80 are negative, so no digits.
        const __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(v, below_zero),
                                            _mm_cmplt_epi8(v, above_nine));
        const auto c = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, comma)));
        const auto d = static_cast<std::uint32_t>(_mm_movemask_epi8(digit));
        marks.commas |= std::uint64_t{c} << (16 * i);
        marks.digits |= std::uint64_t{d} << (16 * i);
    }
    return marks;
#else
    return scan_line_portable(p);
#endif
}

// Bit i set where byte i of the 64 bytes at p is a line feed; any processor.
inline std::uint64_t scan_feeds_portable(const unsigned char* p)
{
    constexpr std::uint64_t ones = 0x0101010101010101ULL;
    constexpr std::uint64_t low7 = 0x7f7f7f7f7f7f7f7fULL;
    std::uint64_t feeds = 0;
    for (unsigned i = 0; i < 8; ++i) {
        std::uint64_t w = 0;
        for (unsigned k = 0; k < 8; ++k)
            w |= std::uint64_t{p[8 * i + k]} << (8 * k);
        const std::uint64_t x = w ^ (ones * '\n');
        const std::uint64_t feed = ~((((x & low7) + low7) | x)) & ~low7;
        feeds |= ((feed >> 7) * 0x0102040810204080ULL >> 56) << (8 * i);
    }
    return feeds;
}

// The same, sixteen bytes at a time where the processor has the means.
inline std::uint64_t scan_feeds(const unsigned char* p)
{
#if defined(__SSE2__)
    const __m128i feed = _mm_set1_epi8('\n');
    std::uint64_t feeds = 0;
    for (unsigned i = 0; i < 4; ++i) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
        feeds |= std::uint64_t{static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, feed)))}
                 << (16 * i);
    }
    return feeds;
#else
    return scan_feeds_portable(p);
#endif
}
