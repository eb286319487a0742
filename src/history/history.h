// history.h - sessions of one line, read from a history file.
#pragma once

#include "app/options.h"
#include "history/text_pool.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// One selected history line. Texts are ids into the SessionTable's pools.
struct Session {
    std::uint32_t address = 0; // id in addresses: also the system's first-seen index
    std::uint32_t flags = 0;   // id in flags
    bool error = false;        // error number's low 32 bits not all zero
    std::int64_t start = 0;
    std::int64_t duration = 0; // never 0
    std::int64_t sent = 0;     // the three sent counters, summed
    std::int64_t received = 0; // the three received counters, summed
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

// Calls visit(s) for each session in file order. Each session is read
// some sessions early and given to early(s) then, and to near(s) a few
// sessions later, so that what visit will need of it can be fetched
// meanwhile: near can fetch what early's fetch points to.
template <class Early, class Near, class Visit>
void for_each_session(const SessionTable& table, Early early, Near near, Visit visit)
{
    constexpr std::size_t lead = 8;  // sessions read ahead of their visit
    constexpr std::size_t close = 4; // the first of them, given to near
    Session ring[lead];
    SessionCursor cursor;
    std::size_t count = 0; // sessions in the ring, from head on
    while (count < lead && next_session(table, cursor, ring[count]))
        early(ring[count++]);
    for (std::size_t i = 0; i < close && i < count; ++i)
        near(ring[i]);
    for (std::size_t head = 0; count > 0; head = (head + 1) % lead) {
        const Session s = ring[head];
        if (count > close)
            near(ring[(head + close) % lead]);
        if (next_session(table, cursor, ring[head]))
            early(ring[head]);
        else
            --count; // the slot stays empty; the rest are visited in turn
        visit(s);
    }
}

// The totals of one remote system.
struct SystemStats {
    std::string_view address;
    std::int64_t online = 0;
    std::uint32_t sessions = 0;
    std::int64_t sent = 0;
    std::int64_t received = 0;
    std::uint32_t out_sessions = 0;
    std::uint32_t in_sessions = 0;
    std::int64_t out_online = 0;
    std::int64_t in_online = 0;
};

// One entry per distinct address, in order of first selected session.
using SystemTable = std::vector<SystemStats>;

// The fields of one history line, as parsed.
struct SessionFields {
    std::string_view address;
    std::int64_t start = 0;
    std::int64_t duration = 0;
    std::string_view flags;
    bool error = false;
    std::int64_t sent = 0;
    std::int64_t received = 0;
};

enum class LineVerdict { selected, dropped, incomplete };

// Tests one line (the bytes up to and including its line feed) against the
// line name, the window and the duration, filling fields as it goes.
// A line of the named line that ends before the test that drops it, or
// before its twelfth field, is incomplete.
LineVerdict parse_session_fields(std::string_view line, const RunOptions& opts,
                                 const TimeWindow& window, SessionFields& fields);

enum class ReadStatus { ok, read_error };

// Reads fd to its end, adding the selected sessions to sessions and each new
// address to systems; counts incomplete lines in skipped. A last line with no
// line feed is ignored.
ReadStatus read_history(int fd, const RunOptions& opts, const TimeWindow& window,
                        SessionTable& sessions, SystemTable& systems,
                        std::uint64_t& skipped);
