// text_pool.h - distinct byte strings, each stored once and known by a dense id.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

// One entry of the index. A text of at most 16 bytes is kept in the slot
// itself, so that finding it reads the slot alone; a longer one is pointed to.
struct TextSlot {
    std::uint64_t hash = 0;
    std::uint32_t id_plus_one = 0; // 0: free
    std::uint32_t length = 0;
    char bytes[16] = {};          // the text, or a pointer to it
};

// Texts live in fixed chunks that never move, so the views stay valid for
// the life of the pool; ids count up from 0 in order of first appearance.
struct TextPool {
    std::vector<std::string_view> texts;
    std::vector<TextSlot> slots; // open addressing, at most half full
    std::vector<std::unique_ptr<char[]>> chunks;
    char* chunk_next = nullptr;
    std::size_t chunk_left = 0;
    // Short texts met lately, packed into a number with their length: such
    // as status letters, found again without hashing or comparing bytes.
    std::uint64_t short_keys[16] = {};
    std::uint32_t short_ids[16] = {};
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

// Hash of a text, the same for equal bytes.
std::uint64_t hash_text(std::string_view text);

// Returns the id of text, storing it first if it is new; hash is
// hash_text(text).
std::uint32_t intern(TextPool& pool, std::string_view text, std::uint64_t hash);

// The same, hashing text only when it must be looked up in the index.
std::uint32_t intern(TextPool& pool, std::string_view text);

// Where the index looks first for a text of this hash: what a lookup will
// read, for fetching ahead of it. Null while the index is empty.
const void* index_slot(const TextPool& pool, std::uint64_t hash);
