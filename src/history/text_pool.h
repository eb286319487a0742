// text_pool.h - distinct byte strings, each stored once and known by a dense id.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// Texts live in fixed chunks that never move, so the views stay valid for
// the life of the pool; ids count up from 0 in order of first appearance.
struct TextPool {
    std::vector<std::string_view> texts;
    std::vector<std::uint64_t> slots; // hash << 32 | (id + 1); 0 is free
    std::vector<std::unique_ptr<char[]>> chunks;
    char* chunk_next = nullptr;
    std::size_t chunk_left = 0;
};

// Returns the id of text, storing it first if it is new.
std::uint32_t intern(TextPool& pool, std::string_view text);

// Hash of a text, the same for equal bytes.
std::uint64_t hash_text(std::string_view text);
