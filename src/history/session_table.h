// session_table.h - the selected sessions, packed, in file order.
#pragma once

#include "history/cpu.h"
#include "history/look_ahead.h"
#include "history/text_pool.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// One selected history line. Texts are ids into the SessionTable's pools.
// 48 bytes: the loops over the sessions copy them, and a larger record
// made the compiler copy it by a slow string move.
struct Session {
    std::uint32_t address = 0; // id in addresses
    std::uint32_t flags = 0;   // id in flags
    std::uint32_t line = 0;    // its place among the selected lines
    std::int32_t error = 0;    // the low 32 bits of the error number; not 0: the E mark
    std::int64_t start = 0;
    std::int64_t duration = 0; // 0 only where the reader keeps such lines
    std::int64_t sent = 0;     // the three sent counters, summed
    std::int64_t received = 0; // the three received counters, summed

    bool operator==(const Session&) const = default;
};
static_assert(sizeof(Session) == 48);

// A line of no time online is a call that did not connect: a failed call,
// never a session.
inline bool is_session(const Session& s)
{
    return s.duration != 0;
}

// Sessions packed as variable-length numbers, in blocks that never move.
struct SessionBlock {
    std::unique_ptr<unsigned char[]> bytes;
    std::size_t size = 0; // room for sessions, not counting a short tail
    std::size_t used = 0;
};

// A place in a SessionTable, for reading it in file order.
struct SessionCursor {
    std::size_t block = 0;
    std::size_t offset = 0;
    std::int64_t last_start = 0;
};

// How many sessions lie between two marks of a table: a stretch that one
// thread can print while others print the next.
inline constexpr std::uint64_t mark_every = 4096;

// The selected sessions in file order, and the texts they name.
struct SessionTable {
    std::vector<SessionBlock> blocks;
    std::uint64_t count = 0;
    std::int64_t last_start = 0; // each start is stored as the step from the one before
    TextPool addresses;
    TextPool flags;
    std::vector<SessionCursor> marks; // where sessions 0, mark_every, 2 * mark_every... begin
    // Where addresses are filtered: by address id, whether its lines are
    // kept (1) or not (0).
    std::vector<std::uint8_t> address_kept;
};

// The tables of a history read in parts, in file order.
using SessionTables = std::vector<SessionTable>;

// The sessions of all the tables.
inline std::uint64_t session_count(const SessionTables& tables)
{
    std::uint64_t count = 0;
    for (const SessionTable& table : tables)
        count += table.count;
    return count;
}

// Adds s as the newest session.
void append_session(SessionTable& table, const Session& s);

// How a session is packed; see session_table.cpp. Decoding is here, so
// that the loops over the sessions have it inlined.
namespace packing {

inline constexpr std::uint64_t masks[] = {0xff, 0xffff, 0xffffffff, ~std::uint64_t{0}};
inline constexpr std::size_t lengths[] = {1, 2, 4, 8};
// In the lengths, after the seven length classes: a seventh number follows.
inline constexpr unsigned has_line = 1U << 14;

inline std::int64_t unfold(std::uint64_t u)
{
    return static_cast<std::int64_t>((u >> 1) ^ (0 - (u & 1)));
}

// Reads the number of length class c at p and steps past it.
inline std::uint64_t take(const unsigned char*& p, unsigned c)
{
    const std::uint64_t v = cpu::load_le64(p);
    p += lengths[c];
    return v & masks[c];
}

} // namespace packing

// Steps the cursor to the next block that holds a session; false at the end.
bool to_next_block(const SessionTable& table, SessionCursor& cursor);

// Reads the session at cursor into s and steps past it; false at the end.
[[gnu::always_inline]] inline bool next_session(const SessionTable& table, SessionCursor& cursor,
                                                Session& s)
{
    using namespace packing;
    if (cursor.block >= table.blocks.size() || cursor.offset == table.blocks[cursor.block].used)
        if (!to_next_block(table, cursor))
            return false;
    const unsigned char* base = table.blocks[cursor.block].bytes.get();
    const unsigned char* p = base + cursor.offset;
    const unsigned control = p[0] | static_cast<unsigned>(p[1]) << 8;
    p += 2;
    s.address = static_cast<std::uint32_t>(take(p, control & 3));
    const std::uint64_t flags = take(p, control >> 2 & 3);
    s.flags = static_cast<std::uint32_t>(flags >> 1);
    s.start = static_cast<std::int64_t>(static_cast<std::uint64_t>(cursor.last_start) +
                                        static_cast<std::uint64_t>(unfold(take(p, control >> 4 & 3))));
    s.duration = unfold(take(p, control >> 6 & 3));
    s.sent = unfold(take(p, control >> 8 & 3));
    s.received = unfold(take(p, control >> 10 & 3));
    s.line = (control & has_line) != 0 ? static_cast<std::uint32_t>(take(p, control >> 12 & 3)) : 0;
    s.error = 0;
    if ((flags & 1) != 0) {
        s.error = static_cast<std::int32_t>(cpu::load_le32(p));
        p += 4;
    }
    cursor.last_start = s.start;
    cursor.offset = static_cast<std::size_t>(p - base);
    return true;
}

// Calls visit(s) for each session in file order. fetch(s) tells what
// visit(s) will read, so that it can be fetched some sessions early.
template <class Fetch, class Visit>
void for_each_session(const SessionTable& table, Fetch fetch, Visit visit)
{
    LookAhead<Session, 8> ahead;
    SessionCursor cursor;
    for (;;) {
        Session& s = make_place(ahead, visit);
        if (!next_session(table, cursor, s)) {
            drop_newest(ahead);
            break;
        }
        fetch_ahead(fetch(s));
    }
    drain(ahead, visit);
}
