// session_log.cpp - the table of single sessions and its count line.
#include "report/session_log.h"

#include "history/workers.h"
#include "report/columns.h"
#include "stats/rates.h"
#include "time/local_time.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>

namespace {

constexpr std::string_view heading =
    "Time     Address          Online  LPxE Traff   Out   Inc   CPS\n";
constexpr std::string_view full_heading =
    "Date       Time     Address          Online  LPxE Traff   Out   Inc   CPS\n";
constexpr std::string_view rule =
    "--------------------------------------------------------------\n";
constexpr std::string_view full_rule =
    "-------------------------------------------------------------------------\n";

// How the log shows start times, and what it keeps to show them quickly.
struct StartColumn {
    bool full_time = false;
    LocalTimeCache clock;
    std::int64_t day = INT64_MIN; // the day whose date is in date
    char date[date_max] = {};
    std::size_t date_size = 0;
};

// Prints start as local time, "hh:mm:ss " or with full_time
// "YYYY-MM-DD hh:mm:ss ", question marks in place of the digits when the
// host cannot convert it.
void print_start(Writer& out, StartColumn& column, std::int64_t start)
{
    LocalTime t;
    if (!local_time(column.clock, start, t)) {
        out.put(column.full_time ? "\?\?\?\?-\?\?-\?\? ??:??:?? " : "??:??:?? ");
        return;
    }
    char* p = out.room(date_max + 10);
    if (column.full_time) {
        // Most sessions of a day follow one another.
        if (t.day != column.day) {
            column.day = t.day;
            column.date_size = static_cast<std::size_t>(format_date(column.date, t.day) - column.date);
        }
        std::memcpy(p, column.date, column.date_size);
        p += column.date_size;
        *p++ = ' ';
    }
    p = format_clock(p, t.hour, t.minute, t.second);
    *p++ = ' ';
    out.commit(p);
}

// Prints one session's row.
void print_row(Writer& out, StartColumn& start, const SessionTable& table, const Session& s)
{
    print_start(out, start, s.start);
    print_address(out, text_of(table.addresses, s.address));
    print_duration(out, s.duration);
    out.put_field_right(text_of(table.flags, s.flags), 3);
    // The rest of the row at once: the mark, three sizes, the rate.
    char* p = out.room(2 + 4 * column_max + 1);
    *p++ = s.error != 0 ? 'E' : ' ';
    *p++ = ' ';
    p = format_size(p, session_traffic(s));
    p = format_size(p, s.sent);
    p = format_size(p, s.received);
    p = format_rate(p, session_rate(s));
    *p++ = '\n';
    out.commit(p);
}

// Prints the rows of up to left sessions from cursor on, stepping both
// past those printed; stops early where the next row might not fit in
// the most bytes that out may hold.
void print_rows(Writer& out, StartColumn& start, const SessionTable& table, SessionCursor& cursor,
                std::uint64_t& left, std::size_t most)
{
    // A row's columns but its two texts take far less than this.
    constexpr std::size_t row_room = 512;
    for (Session s; left > 0; --left) {
        SessionCursor at = cursor;
        if (!next_session(table, at, s))
            return;
        const std::size_t texts = text_record(table.addresses, s.address).size +
                                  text_record(table.flags, s.flags).size;
        if (most - out.pending().size() < texts + row_room)
            return;
        print_row(out, start, table, s);
        cursor = at;
    }
}

constexpr std::size_t slot_size = 512 * 1024;

// A stretch of the log that one thread formats while others format the
// ones after it: the sessions of one table from one of its marks on.
struct LogStretch {
    const SessionTable* table = nullptr;
    SessionCursor from;
    std::uint64_t count = 0;
};

// Room for the text of one stretch, and what became of it.
struct LogSlot {
    std::unique_ptr<char[]> bytes;
    std::size_t stretch = 0; // the stretch it is for next
    bool filled = false;     // it holds that stretch's text
    std::size_t size = 0;
    // What the text left for the writing thread: the rest of a stretch
    // that outgrew the room, or all of one that could not be formatted.
    SessionCursor rest;
    std::uint64_t left = 0;
};

} // namespace

struct LogRoom::Shares {
    std::vector<LogStretch> stretches;
    std::vector<LogSlot> slots; // two for each thread that formats
};

namespace {

// The log's stretches on their way out: each is formatted into its slot
// by a thread that takes it, and the writing thread writes them in order.
struct LogShare {
    LogShare(LogRoom::Shares& room, bool full_time, bool terminal)
        : room(room), full_time(full_time), terminal(terminal)
    {
    }
    LogRoom::Shares& room;
    bool full_time;
    bool terminal;
    // Stretch i goes into slot i % slots. A thread takes i from next, waits
    // until the slot's stretch is i, fills it and sets filled; the writer
    // writes it, then clears filled and gives the slot stretch i + slots.
    std::atomic<std::size_t> next{0}; // the first stretch that no thread has taken
    std::mutex lock;                  // over the slots
    std::condition_variable changed;
};

// Formats one stretch into its slot's room; where the room runs out in a
// row longer than print_rows allows for, the whole stretch is left to the
// writing thread.
void fill_slot(LogSlot& slot, const LogStretch& stretch, const LogShare& share)
{
    Writer text(slot.bytes.get(), slot_size, share.terminal);
    StartColumn start;
    start.full_time = share.full_time;
    // The cursor stays local while the rows are formatted: the slots share
    // cache lines with the writing thread's.
    SessionCursor cursor = stretch.from;
    std::uint64_t left = stretch.count;
    print_rows(text, start, *stretch.table, cursor, left, slot_size);
    const bool whole = text.kept_all();
    slot.size = whole ? text.pending().size() : 0;
    slot.rest = whole ? cursor : stretch.from;
    slot.left = whole ? left : stretch.count;
}

// Takes stretches in turn and formats each into its slot once the slot has
// been written out for the stretch before. Formatting allocates nothing; a
// stretch that fails all the same goes to the writing thread whole, which
// is never left waiting.
void format_stretches(LogShare& share)
{
    const std::size_t slots = share.room.slots.size();
    for (;;) {
        const std::size_t i = share.next.fetch_add(1);
        if (i >= share.room.stretches.size())
            return;
        LogSlot& slot = share.room.slots[i % slots];
        {
            std::unique_lock held(share.lock);
            share.changed.wait(held, [&] { return slot.stretch == i; });
        }
        const LogStretch& stretch = share.room.stretches[i];
        try {
            fill_slot(slot, stretch, share);
        } catch (...) {
            slot.size = 0;
            slot.rest = stretch.from;
            slot.left = stretch.count;
        }
        {
            const std::lock_guard held(share.lock);
            slot.filled = true;
        }
        share.changed.notify_all();
    }
}

// Writes the stretches in order, formatting one itself where no other
// thread has taken it yet.
void write_stretches(Writer& out, LogShare& share, StartColumn& start)
{
    const std::size_t slots = share.room.slots.size();
    for (std::size_t i = 0; i < share.room.stretches.size(); ++i) {
        LogSlot& slot = share.room.slots[i % slots];
        std::size_t untaken = i;
        if (share.next.compare_exchange_strong(untaken, i + 1)) {
            const LogStretch& stretch = share.room.stretches[i];
            SessionCursor cursor = stretch.from;
            std::uint64_t left = stretch.count;
            print_rows(out, start, *stretch.table, cursor, left, SIZE_MAX);
        } else {
            std::unique_lock held(share.lock);
            share.changed.wait(held, [&] { return slot.filled; });
            held.unlock();
            out.put(std::string_view(slot.bytes.get(), slot.size));
            print_rows(out, start, *share.room.stretches[i].table, slot.rest, slot.left, SIZE_MAX);
        }
        {
            const std::lock_guard held(share.lock);
            slot.filled = false;
            slot.stretch = i + slots;
        }
        share.changed.notify_all();
    }
}

} // namespace

LogRoom::LogRoom() = default;
LogRoom::LogRoom(LogRoom&&) noexcept = default;
LogRoom& LogRoom::operator=(LogRoom&&) noexcept = default;
LogRoom::~LogRoom() = default;

std::size_t LogRoom::stretches() const
{
    return shares ? shares->stretches.size() : 0;
}

std::size_t log_threads(std::uint64_t count, std::size_t given)
{
    if (given > 0)
        return given;
    return count >= least_log_part ? processors_available() : 1;
}

LogRoom log_room(const SessionTables& tables, std::size_t given_threads)
{
    LogRoom room;
    const std::size_t threads = log_threads(session_count(tables), given_threads);
    if (threads < 2)
        return room;
    auto shares = std::make_unique<LogRoom::Shares>();
    for (const SessionTable& table : tables)
        for (std::size_t m = 0; m < table.marks.size(); ++m)
            shares->stretches.push_back(
                {&table, table.marks[m], std::min(mark_every, table.count - m * mark_every)});
    if (shares->stretches.size() < 2)
        return room;
    shares->slots.resize(2 * std::min(threads, shares->stretches.size()));
    for (std::size_t k = 0; k < shares->slots.size(); ++k) {
        shares->slots[k].bytes.reset(new char[slot_size]);
        shares->slots[k].stretch = k;
    }
    room.shares = std::move(shares);
    return room;
}

void print_session_log(Writer& out, const SessionTables& tables, std::string_view version,
                       bool full_time, LogRoom* room)
{
    out.put(full_time ? full_heading : heading);
    out.put(full_time ? full_rule : rule);
    StartColumn start;
    start.full_time = full_time;
    if (room != nullptr && room->shares) {
        LogShare share(*room->shares, full_time, out.shows_terminal());
        // The writing thread writes, and formats only where no thread
        // could be started to take a stretch.
        run_together(room->shares->slots.size() / 2 + 1, [&](std::size_t i) {
            if (i == 0)
                write_stretches(out, share, start);
            else
                format_stretches(share);
        });
    } else {
        for (const SessionTable& table : tables) {
            const auto address_of = [&](const Session& s) { return &text_record(table.addresses, s.address); };
            for_each_session(table, address_of, [&](const Session& s) { print_row(out, start, table, s); });
        }
    }
    out.put(full_time ? full_rule : rule);
    out.put("Total: ");
    out.put_uint(session_count(tables), 3);
    // The version ends the line, under the last column either way.
    out.put(full_time ? " session                                   " : " session                        ");
    out.put_field_right(version, 20);
    out.put('\n');
}
