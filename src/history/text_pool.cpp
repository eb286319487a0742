// text_pool.cpp - distinct byte strings behind an open-addressing index.
#include "history/text_pool.h"

#include <cstring>
#include <new>

namespace {

constexpr std::size_t chunk_size = 64 * 1024;
constexpr std::size_t first_slots = 64;
// Ids must fit in 32 bits beside the free mark, and in a Session's bit field.
constexpr std::size_t max_texts = (std::size_t{1} << 31) - 1;

std::uint32_t slot_hash(std::uint64_t h)
{
    return static_cast<std::uint32_t>(h >> 32);
}

// Places id in the first free slot of its probe sequence.
void place(std::vector<std::uint64_t>& slots, std::uint64_t h, std::uint32_t id)
{
    const std::size_t mask = slots.size() - 1;
    for (std::size_t i = h & mask;; i = (i + 1) & mask) {
        if (slots[i] == 0) {
            slots[i] = std::uint64_t{slot_hash(h)} << 32 | (std::uint64_t{id} + 1);
            return;
        }
    }
}

// Doubles the index, keeping it at most half full.
void grow_slots(TextPool& pool)
{
    std::vector<std::uint64_t> slots(pool.slots.empty() ? first_slots
                                                        : pool.slots.size() * 2);
    for (std::uint32_t id = 0; id < pool.texts.size(); ++id)
        place(slots, hash_text(pool.texts[id]), id);
    pool.slots.swap(slots);
}

// Copies text into the chunks; a long text gets a chunk of its own.
std::string_view store(TextPool& pool, std::string_view text)
{
    if (text.empty())
        return {};
    if (text.size() > chunk_size / 4) {
        pool.chunks.push_back(std::make_unique<char[]>(text.size()));
        char* p = pool.chunks.back().get();
        std::memcpy(p, text.data(), text.size());
        return {p, text.size()};
    }
    if (text.size() > pool.chunk_left) {
        pool.chunks.push_back(std::make_unique<char[]>(chunk_size));
        pool.chunk_next = pool.chunks.back().get();
        pool.chunk_left = chunk_size;
    }
    char* p = pool.chunk_next;
    std::memcpy(p, text.data(), text.size());
    pool.chunk_next += text.size();
    pool.chunk_left -= text.size();
    return {p, text.size()};
}

std::uint64_t load64(const char* p)
{
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

std::uint64_t load32(const char* p)
{
    std::uint32_t w;
    std::memcpy(&w, p, 4);
    return w;
}

} // namespace

std::uint64_t hash_text(std::string_view text)
{
    // Whole-word loads only, overlapping at the ends: a load that spans a
    // fresh byte-by-byte copy would stall on store forwarding.
    const char* p = text.data();
    const std::size_t n = text.size();
    std::uint64_t a = 0;
    std::uint64_t b = 0;
    if (n >= 8) {
        a = load64(p);
        b = load64(p + n - 8);
        for (std::size_t i = 8; i + 8 < n; i += 8)
            a = (a ^ load64(p + i)) * 0x9fb21c651e98df25ULL;
    } else if (n >= 4) {
        a = load32(p);
        b = load32(p + n - 4);
    } else if (n > 0) {
        a = static_cast<unsigned char>(p[0]) | std::uint64_t{static_cast<unsigned char>(p[n / 2])} << 8 |
            std::uint64_t{static_cast<unsigned char>(p[n - 1])} << 16;
    }
    std::uint64_t h = (a ^ 0x9e3779b97f4a7c15ULL ^ n) * 0xff51afd7ed558ccdULL;
    h ^= (b + 0x2545f4914f6cdd1dULL) * 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 32;
    h *= 0x9fb21c651e98df25ULL;
    h ^= h >> 29;
    return h;
}

std::uint32_t intern(TextPool& pool, std::string_view text)
{
    const std::uint64_t h = hash_text(text);
    if (!pool.slots.empty()) {
        const std::size_t mask = pool.slots.size() - 1;
        const std::uint32_t want = slot_hash(h);
        for (std::size_t i = h & mask; pool.slots[i] != 0; i = (i + 1) & mask) {
            const std::uint64_t slot = pool.slots[i];
            if (static_cast<std::uint32_t>(slot >> 32) != want)
                continue;
            const auto id = static_cast<std::uint32_t>(slot) - 1;
            if (pool.texts[id] == text)
                return id;
        }
    }
    if (pool.texts.size() >= max_texts)
        throw std::bad_alloc();
    if ((pool.texts.size() + 1) * 2 > pool.slots.size())
        grow_slots(pool);
    const auto id = static_cast<std::uint32_t>(pool.texts.size());
    pool.texts.push_back(store(pool, text));
    place(pool.slots, h, id);
    return id;
}
