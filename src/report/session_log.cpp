// session_log.cpp - the table of single sessions and its count line.
#include "report/session_log.h"

#include "history/workers.h"
#include "report/columns.h"
#include "report/rates.h"
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

// The log's stretches on their way out: each is formatted into its slot
// by a thread that takes it, and the writing thread writes them in order.
struct LogShare {
    LogShare(LogRoom& room, bool full_time, bool terminal)
        : room(room), full_time(full_time), terminal(terminal)
    {
    }
    LogRoom& room;
    bool full_time;
    bool terminal;
    std::atomic<std::size_t> next{0}; // the first stretch that no thread has taken
    std::mutex lock;                  // over the slots
    std::condition_variable changed;
};

// Takes stretches in turn and formats each into its slot once the slot has
// been written out for the stretch before.
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
        Writer text(slot.bytes.get(), slot_size, share.terminal);
        StartColumn start;
        start.full_time = share.full_time;
        SessionCursor cursor = stretch.from;
        std::uint64_t left = stretch.count;
        print_rows(text, start, *stretch.table, cursor, left, slot_size);
        {
            const std::lock_guard held(share.lock);
            slot.size = text.pending().size();
            slot.rest = cursor;
            slot.left = left;
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

LogRoom log_room(const SessionTables& tables, std::size_t threads)
{
    LogRoom room;
    if (threads < 2)
        return room;
    for (const SessionTable& table : tables)
        for (std::size_t m = 0; m < table.marks.size(); ++m)
            room.stretches.push_back({&table, table.marks[m], std::min(mark_every, table.count - m * mark_every)});
    if (room.stretches.size() < 2) {
        room.stretches.clear();
        return room;
    }
    room.slots.resize(2 * std::min(threads, room.stretches.size()));
    for (std::size_t k = 0; k < room.slots.size(); ++k) {
        room.slots[k].bytes.reset(new char[slot_size]);
        room.slots[k].stretch = k;
    }
    return room;
}

void print_session_log(Writer& out, const SessionTables& tables, std::string_view version,
                       bool full_time, LogRoom* room)
{
    out.put(full_time ? full_heading : heading);
    out.put(full_time ? full_rule : rule);
    StartColumn start;
    start.full_time = full_time;
    if (room != nullptr && !room->slots.empty()) {
        LogShare share(*room, full_time, out.shows_terminal());
        // The writing thread writes, and formats only where no thread
        // could be started to take a stretch.
        run_together(room->slots.size() / 2 + 1, [&](std::size_t i) {
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
