// text_pool.cpp - distinct byte strings behind an open-addressing index.
#include "history/text_pool.h"

#include "history/cpu.h"

#include <chrono>
#include <cstring>
#include <new>
#include <unistd.h>

namespace {

constexpr std::size_t chunk_size = 64 * 1024;
constexpr std::size_t first_slots = 64;
// Ids must fit in 32 bits beside the free mark; a flags id shares its
// number with the error mark.
constexpr std::size_t max_texts = (std::size_t{1} << 31) - 1;
// A lookup among ordinary texts walks a handful of slots; one that walks
// more than this meets texts made to collide. At most half full, a run of
// this length comes by chance about once in 10^10 slots.
constexpr std::size_t probe_limit = 128;

// Places a filled slot in the first free place of its probe sequence.
void place(std::vector<TextSlot>& slots, const TextSlot& slot)
{
    const std::size_t mask = slots.size() - 1;
    for (std::size_t i = slot.hash & mask;; i = (i + 1) & mask) {
        if (slots[i].id_plus_one == 0) {
            slots[i] = slot;
            return;
        }
    }
}

// Doubles the index, keeping it at most half full.
void grow_slots(TextPool& pool)
{
    std::vector<TextSlot> slots(pool.slots.empty() ? first_slots : pool.slots.size() * 2);
    for (const TextSlot& slot : pool.slots)
        if (slot.id_plus_one != 0)
            place(slots, slot);
    pool.slots.swap(slots);
}

// Copies a text longer than a record holds into the chunks; a very long
// one gets a chunk of its own.
const char* store_long(TextPool& pool, std::string_view text)
{
    const std::size_t size = text.size();
    char* p;
    if (size > chunk_size / 4) {
        pool.chunks.emplace_back(new char[size]);
        p = pool.chunks.back().get();
    } else {
        if (size > pool.chunk_left) {
            pool.chunks.emplace_back(new char[chunk_size]);
            pool.chunk_next = pool.chunks.back().get();
            pool.chunk_left = chunk_size;
        }
        p = pool.chunk_next;
        pool.chunk_next += size;
        pool.chunk_left -= size;
    }
    std::memcpy(p, text.data(), size);
    return p;
}

// Adds the record of a new text.
void add_record(TextPool& pool, std::string_view text)
{
    if (pool.count % records_per_block == 0)
        pool.records.emplace_back(new TextRecord[records_per_block]);
    TextRecord& r = pool.records.back()[pool.count % records_per_block];
    r.size = text.size();
    if (text.size() <= TextRecord::inline_size) {
        if (!text.empty())
            std::memcpy(r.bytes, text.data(), text.size());
    } else {
        const char* at = store_long(pool, text);
        std::memcpy(r.bytes, &at, sizeof at);
    }
    ++pool.count;
}

std::uint64_t rotate(std::uint64_t x, int b)
{
    return x << b | x >> (64 - b);
}

// Turns the pool to its keyed hash and places every text anew by it.
void turn_keyed(TextPool& pool)
{
    if (::getentropy(pool.key, sizeof pool.key) != 0) {
        // Still no fixed key: this run's own time and place.
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        pool.key[0] = static_cast<std::uint64_t>(now) ^ reinterpret_cast<std::uintptr_t>(&pool);
        pool.key[1] = static_cast<std::uint64_t>(::getpid()) * 0x9e3779b97f4a7c15ULL ^ pool.key[0];
    }
    pool.keyed = true;
    std::vector<TextSlot> slots(pool.slots.size());
    for (std::uint32_t id = 0; id < pool.count; ++id)
        place(slots, TextSlot{static_cast<std::uint32_t>(keyed_hash(pool.key, text_of(pool, id))),
                              id + 1});
    pool.slots.swap(slots);
}

// Finds or adds text through the index.
std::uint32_t intern_long(TextPool& pool, std::string_view text, std::uint64_t h)
{
    if (pool.keyed)
        h = keyed_hash(pool.key, text);
    const auto hash = static_cast<std::uint32_t>(h);
    if (!pool.slots.empty()) {
        const std::size_t mask = pool.slots.size() - 1;
        std::size_t probes = 0;
        for (std::size_t i = hash & mask; pool.slots[i].id_plus_one != 0; i = (i + 1) & mask) {
            const TextSlot& slot = pool.slots[i];
            if (slot.hash == hash && same_text(text_of(pool, slot.id_plus_one - 1), text))
                return slot.id_plus_one - 1;
            if (++probes == probe_limit && !pool.keyed) {
                turn_keyed(pool);
                return intern_long(pool, text, h);
            }
        }
    }
    if (pool.count >= max_texts || text.size() > UINT32_MAX)
        throw std::bad_alloc(); // beyond what an id or a slot can count
    if ((std::size_t{pool.count} + 1) * 2 > pool.slots.size())
        grow_slots(pool);
    const std::uint32_t id = pool.count;
    add_record(pool, text);
    place(pool.slots, TextSlot{hash, id + 1});
    return id;
}

// The first, middle and last of one to three bytes, which with the length
// tell every byte.
std::uint64_t tiny_bytes(const char* p, std::size_t n)
{
    return static_cast<unsigned char>(p[0]) |
           std::uint64_t{static_cast<unsigned char>(p[n / 2])} << 8 |
           std::uint64_t{static_cast<unsigned char>(p[n - 1])} << 16;
}


// The slot of the short-text cache for key.
std::size_t recent_slot(std::uint64_t key)
{
    return static_cast<std::size_t>((key * 0x9e3779b97f4a7c15ULL) >> 60);
}

} // namespace

std::uint64_t short_key(std::string_view text)
{
    const char* p = text.data();
    const std::size_t n = text.size();
    if (n >= 8 || n == 0)
        return 0;
    // Two overlapping loads; the shared bytes agree.
    const std::uint64_t bytes =
        n >= 4 ? cpu::load_le32(p) | std::uint64_t{cpu::load_le32(p + n - 4)} << (8 * (n - 4)) : tiny_bytes(p, n);
    return bytes | std::uint64_t{n} << 56;
}

std::uint64_t keyed_hash(const std::uint64_t key[2], std::string_view text)
{
    std::uint64_t v0 = key[0] ^ 0x736f6d6570736575ULL;
    std::uint64_t v1 = key[1] ^ 0x646f72616e646f6dULL;
    std::uint64_t v2 = key[0] ^ 0x6c7967656e657261ULL;
    std::uint64_t v3 = key[1] ^ 0x7465646279746573ULL;
    const auto rounds = [&](int n) {
        for (int i = 0; i < n; ++i) {
            v0 += v1;
            v1 = rotate(v1, 13) ^ v0;
            v0 = rotate(v0, 32);
            v2 += v3;
            v3 = rotate(v3, 16) ^ v2;
            v0 += v3;
            v3 = rotate(v3, 21) ^ v0;
            v2 += v1;
            v1 = rotate(v1, 17) ^ v2;
            v2 = rotate(v2, 32);
        }
    };
    const std::size_t n = text.size();
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const std::uint64_t m = cpu::load_le64(text.data() + i);
        v3 ^= m;
        rounds(2);
        v0 ^= m;
    }
    std::uint64_t last = std::uint64_t{n & 0xff} << 56;
    for (std::size_t k = 0; i + k < n; ++k)
        last |= std::uint64_t{static_cast<unsigned char>(text[i + k])} << (8 * k);
    v3 ^= last;
    rounds(2);
    v0 ^= last;
    v2 ^= 0xff;
    rounds(4);
    return v0 ^ v1 ^ v2 ^ v3;
}

std::uint64_t hash_text(std::string_view text)
{
    // Whole-word loads only, overlapping at the ends: a load that spans a
    // fresh byte-by-byte copy would stall on store forwarding.
    const char* p = text.data();
    const std::size_t n = text.size();
    std::uint64_t a = 0;
    std::uint64_t b = 0;
    if (n >= 8) {
        a = cpu::load_le64(p);
        b = cpu::load_le64(p + n - 8);
        for (std::size_t i = 8; i + 8 < n; i += 8)
            a = (a ^ cpu::load_le64(p + i)) * 0x9fb21c651e98df25ULL;
    } else if (n >= 4) {
        a = cpu::load_le32(p);
        b = cpu::load_le32(p + n - 4);
    } else if (n > 0) {
        a = tiny_bytes(p, n);
    }
    std::uint64_t h = (a ^ 0x9e3779b97f4a7c15ULL ^ n) * 0xff51afd7ed558ccdULL;
    h ^= (b + 0x2545f4914f6cdd1dULL) * 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 32;
    h *= 0x9fb21c651e98df25ULL;
    h ^= h >> 29;
    return h;
}

std::uint32_t intern(TextPool& pool, std::string_view text, std::uint64_t hash)
{
    const std::uint64_t key = short_key(text);
    const std::size_t recent = recent_slot(key);
    if (key != 0 && pool.short_keys[recent] == key)
        return pool.short_ids[recent];
    const std::uint32_t id = intern_long(pool, text, hash);
    if (key != 0) {
        pool.short_keys[recent] = key;
        pool.short_ids[recent] = id;
    }
    return id;
}

std::uint32_t intern(TextPool& pool, std::string_view text)
{
    // A hit among the short texts needs no hash.
    const std::uint64_t key = short_key(text);
    if (key != 0 && pool.short_keys[recent_slot(key)] == key)
        return pool.short_ids[recent_slot(key)];
    return intern(pool, text, hash_text(text));
}

const void* index_slot(const TextPool& pool, std::uint64_t hash)
{
    return pool.slots.empty() ? nullptr
                              : &pool.slots[static_cast<std::uint32_t>(hash) & (pool.slots.size() - 1)];
}
