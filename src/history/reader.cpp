// reader.cpp - a history file read into a session table.
#include "history/reader.h"

#include "history/history_line.h"
#include "history/look_ahead.h"
#include "history/quick_split.h"
#include "history/read_buffer.h"

#include <cstring>

namespace {

constexpr std::size_t block_size = 256 * 1024;

// A selected line waiting to be filed, and the hash of its address.
struct Pending {
    SessionFields fields;
    std::uint64_t hash = 0;
};

// Files a selected line as the newest session.
void file_session(SessionTable& table, const Pending& p)
{
    Session s;
    s.address = intern(table.addresses, p.fields.address, p.hash);
    s.flags = intern(table.flags, p.fields.flags);
    s.error = p.fields.error;
    s.start = p.fields.start;
    s.duration = p.fields.duration;
    s.sent = p.fields.sent;
    s.received = p.fields.received;
    append_session(table, s);
}

// How one pass over the read buffer handles lines.
struct LineHandling {
    const Selection& sel;
    // Over the whole file most lines are selected, and the quick split pays;
    // over a window most are dropped after three fields, and it does not.
    bool quick;
    SessionTable& table;
    std::uint64_t& skipped;
};

// Handles one line; its text ends at the first NUL, if it may hold one.
// A selected line waits in ahead until its address's index slot is fetched.
void handle_line(const ReadBuffer& buffer, std::string_view line, bool may_hold_nul,
                 LineHandling& h, LookAhead<Pending, 4>& ahead)
{
    if (may_hold_nul) {
        if (const void* nul = std::memchr(line.data(), '\0', line.size()))
            line = line.substr(0, static_cast<std::size_t>(
                                      static_cast<const char*>(nul) - line.data()));
    }
    Pending p;
    LineVerdict verdict;
    if (!h.quick || !quick_parse_session(buffer, line, h.sel, p.fields, verdict))
        verdict = parse_session_fields(line, h.sel, p.fields);
    switch (verdict) {
    case LineVerdict::selected:
        p.hash = hash_text(p.fields.address);
        push(ahead, p, index_slot(h.table.addresses, p.hash),
             [&](const Pending& oldest) { file_session(h.table, oldest); });
        break;
    case LineVerdict::incomplete:
        ++h.skipped;
        break;
    case LineVerdict::dropped:
        break;
    }
}

// Handles every complete line in the buffer whose line feed lies at or
// after from; returns the end of the last of them. Every selected line is
// filed before this returns, while the views into the buffer hold.
const char* handle_lines(const ReadBuffer& buffer, const char* from, bool may_hold_nul,
                         LineHandling& h)
{
    LookAhead<Pending, 4> ahead;
    const char* begin = buffer.data();
    LineFeeds feeds = line_feeds(buffer, from);
    for (const char* next; (next = next_line_end(feeds)) != nullptr; begin = next)
        handle_line(buffer, std::string_view(begin, static_cast<std::size_t>(next - begin)),
                    may_hold_nul, h, ahead);
    drain(ahead, [&](const Pending& p) { file_session(h.table, p); });
    return begin;
}

} // namespace

ReadStatus read_history(int fd, const Selection& sel, SessionTable& table,
                        std::uint64_t& skipped)
{
    LineHandling h{sel, !sel.window, table, skipped};
    ReadBuffer buffer = make_read_buffer(block_size);
    bool held_may_hold_nul = false; // of the unfinished line held at the front
    for (;;) {
        const std::size_t held = buffer.size;
        const long n = read_more(buffer, fd);
        if (n < 0)
            return ReadStatus::read_error;
        if (n == 0)
            return ReadStatus::ok; // an unfinished last line is left out
        const char* fresh = buffer.data() + held;
        // One look for NUL bytes per read spares one per line. Only the new
        // bytes are looked at: a long line may come in many reads.
        const bool may_hold_nul =
            held_may_hold_nul ||
            std::memchr(fresh, '\0', static_cast<std::size_t>(buffer.end() - fresh)) != nullptr;
        const char* rest = handle_lines(buffer, fresh, may_hold_nul, h);
        held_may_hold_nul = rest != buffer.end() && may_hold_nul;
        drop_front(buffer, static_cast<std::size_t>(rest - buffer.data()));
    }
}
