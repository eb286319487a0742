// text_pool.h - distinct byte strings, each stored once and known by a dense id.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

// A stored text. One of up to inline_size bytes is kept in the record
// itself, so that reading a text by its id is one look at memory; a longer
// one lives in a chunk, and the record points to it.
struct TextRecord {
    static constexpr std::size_t inline_size = 24;
    char bytes[inline_size]; // the text, or a pointer to it
    std::size_t size;
};

// One entry of the index: small, so that a large index touches few pages.
// The hash's low half places the text and screens out most others; its
// record tells the rest.
struct TextSlot {
    std::uint32_t hash = 0;
    std::uint32_t id_plus_one = 0; // 0: free
};

inline constexpr std::size_t records_per_block = 1024;

// Texts by dense ids, counted up from 0 in order of first appearance.
// Records and chunks never move, so views of the texts stay valid for the
// life of the pool.
struct TextPool {
    std::vector<std::unique_ptr<TextRecord[]>> records; // records_per_block each
    std::uint32_t count = 0;
    std::vector<TextSlot> slots; // open addressing, at most half full
    std::vector<std::unique_ptr<char[]>> chunks;
    char* chunk_next = nullptr;
    std::size_t chunk_left = 0;
    // Short texts met lately, packed into a number with their length: such
    // as status letters, found again without hashing or comparing bytes.
    std::uint64_t short_keys[16] = {};
    std::uint32_t short_ids[16] = {};
    // Set once a lookup walked far more slots than ordinary texts ever make
    // it walk: texts chosen to share one hash, as a remote peer could
    // choose its address. From then on the index places texts by a hash
    // keyed from the system's random source, which no one can aim at.
    bool keyed = false;
    std::uint64_t key[2] = {};
};

// Whether the first and the last words of x and y, both n bytes long with
// n from one to two words, agree: between them they cover every byte.
template <class Word>
bool same_ends(const char* x, const char* y, std::size_t n)
{
    Word x0, x1, y0, y1;
    std::memcpy(&x0, x, sizeof(Word));
    std::memcpy(&y0, y, sizeof(Word));
    std::memcpy(&x1, x + n - sizeof(Word), sizeof(Word));
    std::memcpy(&y1, y + n - sizeof(Word), sizeof(Word));
    return ((x0 ^ y0) | (x1 ^ y1)) == 0;
}

// Whether a and b hold the same bytes. Short texts are compared a word at
// a time instead of through a library call.
inline bool same_text(std::string_view a, std::string_view b)
{
    const std::size_t n = a.size();
    if (n != b.size())
        return false;
    const char* x = a.data();
    const char* y = b.data();
    if (n > 16)
        return std::memcmp(x, y, n) == 0;
    if (n >= 8)
        return same_ends<std::uint64_t>(x, y, n);
    if (n >= 4)
        return same_ends<std::uint32_t>(x, y, n);
    return n == 0 || (x[0] == y[0] && x[n / 2] == y[n / 2] && x[n - 1] == y[n - 1]);
}

// The record of the text with this id: what reading the text reads.
inline const TextRecord& text_record(const TextPool& pool, std::uint32_t id)
{
    return pool.records[id / records_per_block][id % records_per_block];
}

// The text with this id.
inline std::string_view text_of(const TextPool& pool, std::uint32_t id)
{
    const TextRecord& r = text_record(pool, id);
    if (r.size <= TextRecord::inline_size)
        return {r.bytes, r.size};
    const char* p;
    std::memcpy(&p, r.bytes, sizeof p);
    return {p, r.size};
}

// The bytes and length of a text of one to seven bytes as one number, 0
// for other texts: such a text is known by it without hashing.
std::uint64_t short_key(std::string_view text);

// Hash of a text, the same for equal bytes: quick, but not keyed.
std::uint64_t hash_text(std::string_view text);

// SipHash-2-4 of text under key, key[0] and key[1] being the key's first
// and last eight bytes read in little-endian order: what a keyed pool
// places its texts by.
std::uint64_t keyed_hash(const std::uint64_t key[2], std::string_view text);

// Returns the id of text, storing it first if it is new; hash is
// hash_text(text), and is not looked at once the pool is keyed.
std::uint32_t intern(TextPool& pool, std::string_view text, std::uint64_t hash);

// The same, hashing text only when it must be looked up in the index.
std::uint32_t intern(TextPool& pool, std::string_view text);

// Where the index looks first for a text of this hash: what a lookup will
// read, for fetching ahead of it. Null while the index is empty.
const void* index_slot(const TextPool& pool, std::uint64_t hash);
