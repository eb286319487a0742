// session_table.h - the selected sessions, packed, in file order.
#pragma once

#include "history/look_ahead.h"
#include "history/text_pool.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// One selected history line. Texts are ids into the SessionTable's pools.
struct Session {
    std::uint32_t address = 0; // id in addresses
    std::uint32_t flags = 0;   // id in flags
    bool error = false;        // error number's low 32 bits not all zero
    std::int64_t start = 0;
    std::int64_t duration = 0; // never 0
    std::int64_t sent = 0;     // the three sent counters, summed
    std::int64_t received = 0; // the three received counters, summed
    std::uint32_t line = 0;    // its place among the selected lines

    bool operator==(const Session&) const = default;
};

// Sessions packed as variable-length numbers, in blocks that never move.
struct SessionBlock {
    std::unique_ptr<unsigned char[]> bytes;
    std::size_t size = 0; // room for sessions, not counting a short tail
    std::size_t used = 0;
};

// The selected sessions in file order, and the texts they name.
struct SessionTable {
    std::vector<SessionBlock> blocks;
    std::uint64_t count = 0;
    std::int64_t last_start = 0; // each start is stored as the step from the one before
    TextPool addresses;
    TextPool flags;
};

// Adds s as the newest session.
void append_session(SessionTable& table, const Session& s);

// A place in a SessionTable, for reading it in file order.
struct SessionCursor {
    std::size_t block = 0;
    std::size_t offset = 0;
    std::int64_t last_start = 0;
};

// Reads the session at cursor into s and steps past it; false at the end.
bool next_session(const SessionTable& table, SessionCursor& cursor, Session& s);

// Calls visit(s) for each session in file order. fetch(s) tells what
// visit(s) will read, so that it can be fetched some sessions early.
template <class Fetch, class Visit>
void for_each_session(const SessionTable& table, Fetch fetch, Visit visit)
{
    LookAhead<Session, 8> ahead;
    SessionCursor cursor;
    for (Session s; next_session(table, cursor, s);)
        push(ahead, s, fetch(s), visit);
    drain(ahead, visit);
}
