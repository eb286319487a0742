// session_table.cpp - sessions packed into blocks.
//
// A session is two bytes of lengths, then six numbers in 1, 2, 4 or 8
// bytes each, low byte first: address id, flags id with the error mark,
// the step from the previous start, duration, sent and received; the signed
// ones folded so that small magnitudes stay short. A seventh, the session's
// place among the selected lines, follows only where it is not 0, marked
// in the lengths: a report of one line stores nothing for it. Where the
// error mark is set, the error number's four bytes come last. Lengths up
// front let every number be read with one load and a mask, without a branch
// per byte. Blocks are never copied as the table grows.
#include "history/session_table.h"

#include <algorithm>
#include <cstring>

namespace {

// Blocks grow from small to large, so that a short report asks for little.
constexpr std::size_t first_block = 4 * 1024;
constexpr std::size_t largest_block = 1024 * 1024;
constexpr std::size_t max_packed = 2 + 7 * 8 + 4;
using packing::has_line;
using packing::lengths;
// Zeroed bytes kept after the last session, so that the eight-byte load of
// a last short number reads only bytes that were written.
constexpr std::size_t tail = 8;

// Length class of v: 0 to 3 for 1, 2, 4 or 8 bytes.
unsigned length_class(std::uint64_t v)
{
    // Counted, not chosen: sizes vary from session to session, and a
    // branch on them would often be mispredicted.
    return static_cast<unsigned>(v > 0xff) + static_cast<unsigned>(v > 0xffff) +
           static_cast<unsigned>(v > 0xffffffff);
}

// Signed to unsigned, small magnitudes to small numbers.
std::uint64_t fold(std::int64_t v)
{
    return (static_cast<std::uint64_t>(v) << 1) ^ static_cast<std::uint64_t>(v >> 63);
}

} // namespace

void append_session(SessionTable& table, const Session& s)
{
    if (table.blocks.empty() || table.blocks.back().size - table.blocks.back().used < max_packed) {
        SessionBlock block;
        block.size = table.blocks.empty() ? first_block
                                          : std::min(table.blocks.back().size * 2, largest_block);
        // Left unfilled: its pages are touched only as sessions arrive.
        block.bytes.reset(new unsigned char[block.size + tail]);
        table.blocks.push_back(std::move(block));
    }
    const std::uint64_t values[7] = {
        s.address,
        std::uint64_t{s.flags} << 1 | (s.error != 0 ? 1U : 0U),
        fold(static_cast<std::int64_t>(static_cast<std::uint64_t>(s.start) -
                                       static_cast<std::uint64_t>(table.last_start))),
        fold(s.duration),
        fold(s.sent),
        fold(s.received),
        s.line,
    };
    const int numbers = s.line != 0 ? 7 : 6;
    SessionBlock& block = table.blocks.back();
    if (table.count % mark_every == 0)
        table.marks.push_back({table.blocks.size() - 1, block.used, table.last_start});
    unsigned char* const begin = block.bytes.get() + block.used;
    unsigned char* p = begin + 2;
    unsigned control = 0;
    for (int i = 0; i < numbers; ++i) {
        const unsigned c = length_class(values[i]);
        cpu::store_le(p, values[i]); // the bytes past its length are overwritten or zeroed next
        p += lengths[c];
        control |= c << (2 * i);
    }
    if (numbers == 7)
        control |= has_line;
    if (s.error != 0) {
        cpu::store_le(p, static_cast<std::uint32_t>(s.error));
        p += 4;
    }
    begin[0] = static_cast<unsigned char>(control);
    begin[1] = static_cast<unsigned char>(control >> 8);
    std::memset(p, 0, tail);
    block.used = static_cast<std::size_t>(p - block.bytes.get());
    table.last_start = s.start;
    ++table.count;
}

bool to_next_block(const SessionTable& table, SessionCursor& cursor)
{
    while (cursor.block < table.blocks.size() &&
           cursor.offset == table.blocks[cursor.block].used) {
        ++cursor.block;
        cursor.offset = 0;
    }
    return cursor.block < table.blocks.size();
}
