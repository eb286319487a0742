// cpu.h - the processor features the fast paths use, each with a plain twin.
//
// Everything that touches byte order, compiler builtins or SSE2 is here.
// Built with QELMAR_PLAIN, the file is plain C++ that compiles anywhere:
// no intrinsics, no builtins, the same results.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if !defined(QELMAR_PLAIN) && defined(__SSE2__)
#define QELMAR_SSE2 1
#include <emmintrin.h>
#endif

namespace cpu {

// The bytes of v in the reverse order.
template <class Word>
constexpr Word reverse_bytes(Word v)
{
    Word r = 0;
    for (std::size_t i = 0; i < sizeof(Word); ++i, v >>= 8)
        r = static_cast<Word>(r << 8 | (v & 0xff));
    return r;
}

// The bytes at p as a number of type Word, the first byte lowest, on any
// processor.
template <class Word>
Word load_le(const void* p)
{
    Word v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big)
        v = reverse_bytes(v);
    return v;
}

// Stores v at p, the lowest byte first.
template <class Word>
void store_le(void* p, Word v)
{
    if constexpr (std::endian::native == std::endian::big)
        v = reverse_bytes(v);
    std::memcpy(p, &v, sizeof v);
}

inline std::uint64_t load_le64(const void* p)
{
    return load_le<std::uint64_t>(p);
}

inline std::uint32_t load_le32(const void* p)
{
    return load_le<std::uint32_t>(p);
}

// Asks the processor to fetch the cache line of p ahead of its use. A hint
// only: it changes nothing but time.
inline void prefetch([[maybe_unused]] const void* p)
{
#if !defined(QELMAR_PLAIN) && (defined(__GNUC__) || defined(__clang__))
    __builtin_prefetch(p);
#endif
}

// Plain masks, eight bytes at a time: each marks a byte by its high bit and
// is exact for every byte, nothing carrying from one byte into the next.
namespace words {

inline constexpr std::uint64_t ones = 0x0101010101010101ULL;
inline constexpr std::uint64_t low7 = 0x7f7f7f7f7f7f7f7fULL;

// The bytes of w that are zero.
constexpr std::uint64_t zeros(std::uint64_t w)
{
    return ~((((w & low7) + low7) | w)) & ~low7;
}

// The bytes of w that equal c.
constexpr std::uint64_t equal(std::uint64_t w, unsigned char c)
{
    return zeros(w ^ (ones * c));
}

// The same, exact only up to the first byte that equals c: a byte after it
// may be marked too. Cheaper, where only the first counts.
constexpr std::uint64_t first_equal(std::uint64_t w, unsigned char c)
{
    const std::uint64_t x = w ^ (ones * c);
    return (x - ones) & ~x & ~low7;
}

// The bytes of w that are decimal digits: high half 3, and adding 6 keeps
// the low half below 16.
constexpr std::uint64_t digits(std::uint64_t w)
{
    const std::uint64_t high = (w & 0xf0f0f0f0f0f0f0f0ULL) ^ (ones * 0x30);
    const std::uint64_t low = ((w & 0x0f0f0f0f0f0f0f0fULL) + ones * 6) & 0xf0f0f0f0f0f0f0f0ULL;
    return zeros(high | low);
}

// The marks gathered into the low byte, byte k to bit k.
constexpr std::uint64_t gather(std::uint64_t marks)
{
    return (marks >> 7) * 0x0102040810204080ULL >> 56;
}

} // namespace words

// Bit i of each mask tells of byte i of a 64-byte block.
struct BlockMarks {
    std::uint64_t commas = 0;
    std::uint64_t digits = 0;
};

// The line feeds among the 64 bytes at p, without SSE2.
inline std::uint64_t feeds64_plain(const unsigned char* p)
{
    std::uint64_t feeds = 0;
    for (unsigned i = 0; i < 8; ++i)
        feeds |= words::gather(words::equal(load_le64(p + 8 * i), '\n')) << (8 * i);
    return feeds;
}

// The commas and digits among the 64 bytes at p, without SSE2.
inline BlockMarks marks64_plain(const unsigned char* p)
{
    BlockMarks marks;
    for (unsigned i = 0; i < 8; ++i) {
        const std::uint64_t w = load_le64(p + 8 * i);
        marks.commas |= words::gather(words::equal(w, ',')) << (8 * i);
        marks.digits |= words::gather(words::digits(w)) << (8 * i);
    }
    return marks;
}

#if defined(QELMAR_SSE2)
namespace sse2 {

inline __m128i load16(const unsigned char* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

inline std::uint64_t equal16(__m128i v, char c)
{
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(c))));
}

} // namespace sse2
#endif

// The line feeds among the 64 bytes at p.
inline std::uint64_t feeds64(const unsigned char* p)
{
#if defined(QELMAR_SSE2)
    std::uint64_t feeds = 0;
    for (unsigned i = 0; i < 4; ++i)
        feeds |= sse2::equal16(sse2::load16(p + 16 * i), '\n') << (16 * i);
    return feeds;
#else
    return feeds64_plain(p);
#endif
}

// The commas and digits among the 64 bytes at p.
inline BlockMarks marks64(const unsigned char* p)
{
#if defined(QELMAR_SSE2)
    BlockMarks marks;
    for (unsigned i = 0; i < 4; ++i) {
        const __m128i v = sse2::load16(p + 16 * i);
        // Signed compares: bytes from 0x80 are negative, so no digits.
        const __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8('0' - 1)),
                                            _mm_cmplt_epi8(v, _mm_set1_epi8('9' + 1)));
        marks.commas |= sse2::equal16(v, ',') << (16 * i);
        marks.digits |= std::uint64_t{static_cast<std::uint32_t>(_mm_movemask_epi8(digit))}
                        << (16 * i);
    }
    return marks;
#else
    return marks64_plain(p);
#endif
}

} // namespace cpu
