// reader.cpp - a history file read into a session table.
#include "history/reader.h"

#include "history/compressed.h"
#include "history/glob.h"
#include "history/history_line.h"
#include "history/look_ahead.h"
#include "history/quick_split.h"
#include "history/read_buffer.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

constexpr std::size_t block_size = 256 * 1024;
// A part of a file read beside others reads in smaller blocks: together
// they hold about what one reader holds.
constexpr std::size_t part_block_size = 128 * 1024;

// A selected line waiting to be filed: its session but for the ids of its
// texts, the texts, and the hash of its address.
struct Pending {
    Session session;
    std::string_view address;
    std::string_view flags;
    std::uint64_t hash;
};

// The last few names noted, kept as copies: a file names few lines, over
// and over, and each is then noted once, not on every line.
struct RecentNames {
    static constexpr std::size_t count = 4;
    char bytes[count][longest_listed_name] = {};
    std::size_t sizes[count] = {}; // 0: none
    std::size_t next = 0;
};

bool holds(const RecentNames& recent, std::string_view name)
{
    for (std::size_t i = 0; i < RecentNames::count; ++i)
        if (recent.sizes[i] == name.size() && name.size() > 0 &&
            std::memcmp(recent.bytes[i], name.data(), name.size()) == 0)
            return true;
    return false;
}

void remember(RecentNames& recent, std::string_view name)
{
    if (name.empty() || name.size() > longest_listed_name)
        return;
    std::memcpy(recent.bytes[recent.next], name.data(), name.size());
    recent.sizes[recent.next] = name.size();
    recent.next = (recent.next + 1) % RecentNames::count;
}

// How one pass over the read buffer handles lines.
struct LineHandling {
    const Selection& sel;
    // Over the whole file most lines are selected, and the quick split pays;
    // over a window most are dropped after three fields, and it does not.
    bool quick;
    SessionTable& table;
    ReadNotes& notes;
    SessionSink sink;
    std::size_t unnamed; // selected lines that no line has named yet
    std::size_t unmatched; // address patterns that no address has matched yet
    RecentNames recent = {};
    TextPool addresses_seen = {}; // of lines not kept, while some pattern is unmatched
    TextPool lines_met = {};      // names that line patterns matched, by id
    std::vector<std::uint32_t> line_places = {}; // their places, by id
};

// The place of a line that a pattern matched: given once for each name,
// shared by every thread.
std::uint32_t found_place(LineHandling& h, std::string_view name)
{
    const std::uint32_t count = h.lines_met.count;
    const std::uint32_t id = intern(h.lines_met, name);
    if (id == count)
        h.line_places.push_back(static_cast<std::uint32_t>(
            h.sel.line_names.size() + found_line(*h.sel.found, name)));
    return h.line_places[id];
}

// Notes the address patterns that address matches; returns whether any
// does.
bool match_address(LineHandling& h, std::string_view address)
{
    bool any = false;
    const std::vector<std::string_view>& patterns = h.sel.address_patterns;
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        if (!glob_matches(patterns[i], address))
            continue;
        any = true;
        if (!h.notes.matched[i]) {
            h.notes.matched[i] = true;
            --h.unmatched;
        }
    }
    return any;
}

// Whether the lines of the address with this id are kept: an address is
// matched once, the first time its id is met (ids count up from 0).
bool address_kept(LineHandling& h, std::uint32_t id, std::string_view address)
{
    std::vector<std::uint8_t>& kept = h.table.address_kept;
    if (id < kept.size())
        return kept[id] != 0;
    kept.push_back(match_address(h, address) ? 1 : 0);
    return kept.back() != 0;
}

// Notes the patterns that the address of a line of the selected lines
// matches, where the line is not kept (out of the period, or no time
// online): each address once, while some pattern is unmatched.
[[gnu::noinline]] void note_address(LineHandling& h, std::string_view address)
{
    const std::uint32_t count = h.addresses_seen.count;
    if (intern(h.addresses_seen, address) == count)
        match_address(h, address);
}

// Files a selected line as the newest session.
void file_session(LineHandling& h, const Pending& p)
{
    SessionTable& table = h.table;
    Session s = p.session;
    s.address = intern(table.addresses, p.address, p.hash);
    if (!h.sel.address_patterns.empty() && !address_kept(h, s.address, p.address))
        return;
    s.flags = intern(table.flags, p.flags);
    if (h.sink.take_call != nullptr && !is_session(s)) {
        h.sink.take_call(h.sink.context, table, s);
        return;
    }
    if (h.sink.take != nullptr)
        h.sink.take(h.sink.context, table, s);
    else
        append_session(table, s);
}

// Whether a first field looks like the name of a line: 1 to
// longest_listed_name bytes of printable ASCII, no blank.
bool looks_like_line_name(std::string_view name)
{
    return !name.empty() && name.size() <= longest_listed_name &&
           std::all_of(name.begin(), name.end(), [](char c) { return c > ' ' && c < 0x7f; });
}

// Notes the name a line gives, while some selected line is still unnamed:
// a notice then tells which lines the file does name.
// Kept out of the reader's loop, which runs it for the first lines only.
[[gnu::noinline]] void note_line_name(LineHandling& h, const SessionFields& f)
{
    if (holds(h.recent, f.name))
        return;
    remember(h.recent, f.name);
    const std::size_t given = h.sel.line_names.size();
    std::vector<bool>& named = h.notes.named;
    if (f.line >= 0 && static_cast<std::size_t>(f.line) < given && !named[static_cast<std::size_t>(f.line)]) {
        named[static_cast<std::size_t>(f.line)] = true;
        --h.unnamed;
    }
    for (std::size_t i = 0; i < h.sel.line_patterns.size(); ++i) {
        if (!named[given + i] && !f.name.empty() && glob_matches(h.sel.line_patterns[i], f.name)) {
            named[given + i] = true;
            --h.unnamed;
        }
    }
    if (!looks_like_line_name(f.name))
        return;
    std::vector<std::string>& names = h.notes.names_in_file;
    const auto at = std::lower_bound(names.begin(), names.end(), f.name);
    if (at != names.end() && *at == f.name)
        return;
    if (names.size() > listed_names) { // keep the first ones, and one to show there are more
        if (at == names.end())
            return;
        names.pop_back();
    }
    names.insert(at, std::string(f.name));
}

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
    SessionFields f;
    LineVerdict verdict;
    if (!h.quick || !quick_parse_session(buffer, line, h.sel, f, verdict))
        verdict = parse_session_fields(line, h.sel, f);
    if (h.unnamed > 0) [[unlikely]]
        note_line_name(h, f);
    switch (verdict) {
    case LineVerdict::selected: {
        // Filled in its place: see make_place.
        Pending& p = make_place(ahead, [&](const Pending& oldest) { file_session(h, oldest); });
        p.session.line = f.line == pattern_line(h.sel) ? found_place(h, f.name)
                                                       : static_cast<std::uint32_t>(f.line);
        p.session.error = f.error;
        p.session.start = f.start;
        p.session.duration = f.duration;
        p.session.sent = f.sent;
        p.session.received = f.received;
        p.address = f.address;
        p.flags = f.flags;
        p.hash = hash_text(f.address);
        fetch_ahead(index_slot(h.table.addresses, p.hash));
        break;
    }
    case LineVerdict::incomplete:
        ++h.notes.skipped;
        break;
    case LineVerdict::dropped:
        // A line of the selected lines dropped after its address was read.
        if (h.unmatched > 0 && f.line >= 0) [[unlikely]]
            note_address(h, f.address);
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
    drain(ahead, [&](const Pending& p) { file_session(h, p); });
    return begin;
}

// What is known of the unfinished line held at the front of the buffer.
struct HeldLine {
    bool may_hold_nul = false;
    // Its rest cannot matter: the bytes held are all that is kept of it,
    // and the rest is passed over up to its line feed.
    bool cut = false;
};

// Frees the room taken by an unfinished line that fills the buffer when the
// rest of the line cannot matter: after its first NUL, where its text ends
// (the NUL is kept, and ends the text once the line is whole again), or
// once it is known not to be selected (nothing is kept, but the name it
// gives is noted first). Returns whether it did.
bool cut_held_line(ReadBuffer& buffer, HeldLine& held, LineHandling& h)
{
    const std::string_view text(buffer.data(), buffer.size);
    const void* nul = held.may_hold_nul ? std::memchr(text.data(), '\0', text.size()) : nullptr;
    SessionFields f;
    if (nul != nullptr) {
        keep_front(buffer, static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()) + 1);
    } else if (dropped_whatever_follows(text, h.sel, f)) {
        if (h.unnamed > 0)
            note_line_name(h, f);
        keep_front(buffer, 0);
    } else {
        return false;
    }
    held.cut = true;
    return true;
}

// Where the reader's bytes come from: a descriptor read from where it
// stands, or a stretch of a file read by place.
struct LineSource {
    int fd;
    std::optional<FileRange> range;
};

// Reads what the source gives into the room after the data held; as
// read_more.
long read_more(ReadBuffer& buffer, LineSource& source)
{
    if (!source.range)
        return read_more(buffer, source.fd);
    FileRange& range = *source.range;
    std::uint64_t most = buffer.capacity - buffer.size;
    if (range.to)
        most = std::min<std::uint64_t>(most, *range.to - range.from);
    if (most == 0)
        return 0;
    const long n = read_more_at(buffer, source.fd, range.from, static_cast<std::size_t>(most));
    if (n > 0)
        range.from += static_cast<std::uint64_t>(n);
    return n;
}

// Reads the source to its end; see read_history.
ReadStatus read_lines(LineSource source, const Selection& sel, SessionTable& table, ReadNotes& notes,
                       SessionSink sink, std::string_view first_bytes)
{
    // Named: by place, the lines given whole, then the patterns.
    const std::size_t lines = sel.line_names.size() + sel.line_patterns.size();
    if (notes.named.size() != lines)
        notes.named.assign(lines, false);
    const auto unnamed = static_cast<std::size_t>(std::count(notes.named.begin(), notes.named.end(), false));
    if (notes.matched.size() != sel.address_patterns.size())
        notes.matched.assign(sel.address_patterns.size(), false);
    const auto unmatched = static_cast<std::size_t>(std::count(notes.matched.begin(), notes.matched.end(), false));
    LineHandling h{sel, !sel.window, table, notes, sink, unnamed, unmatched};
    const std::size_t block = source.range ? part_block_size : block_size;
    ReadBuffer buffer = make_read_buffer(block);
    append(buffer, first_bytes);
    std::size_t unread = first_bytes.size(); // held, not yet looked at
    HeldLine held; // the unfinished line at the front of the buffer
    for (;;) {
        if (buffer.size == buffer.capacity && !cut_held_line(buffer, held, h))
            grow(buffer);
        // Reads past a cut line stay large however much of it is kept.
        if (held.cut && buffer.capacity - buffer.size < block / 2)
            grow(buffer);
        std::size_t old = buffer.size - unread;
        if (unread == 0) {
            const long n = read_more(buffer, source);
            if (n < 0)
                return ReadStatus::read_error;
            if (n == 0)
                return ReadStatus::ok; // an unfinished last line is left out
        }
        unread = 0;
        if (held.cut) {
            // The rest of a cut line is not kept: only its end is looked for,
            // and what was kept of the line goes on right before it.
            const char* feed = static_cast<const char*>(
                std::memchr(buffer.data() + old, '\n', buffer.size - old));
            if (feed == nullptr) {
                keep_front(buffer, old);
                continue;
            }
            drop_middle(buffer, old, static_cast<std::size_t>(feed - buffer.data()));
            held.cut = false;
            old = 0; // the kept part is looked at again, now that the line is whole
        }
        const char* fresh = buffer.data() + old;
        // One look for NUL bytes per read spares one per line. Only the new
        // bytes are looked at: a long line may come in many reads.
        const bool may_hold_nul =
            held.may_hold_nul ||
            std::memchr(fresh, '\0', static_cast<std::size_t>(buffer.end() - fresh)) != nullptr;
        const char* rest = handle_lines(buffer, fresh, may_hold_nul, h);
        held.may_hold_nul = rest != buffer.end() && may_hold_nul;
        drop_front(buffer, static_cast<std::size_t>(rest - buffer.data()));
    }
}

} // namespace

ReadStatus read_history(int fd, const Selection& sel, SessionTable& table, ReadNotes& notes,
                        SessionSink sink, std::string_view first_bytes)
{
    return read_lines({fd, std::nullopt}, sel, table, notes, sink, first_bytes);
}

ReadStatus read_history_range(int fd, FileRange range, const Selection& sel, SessionTable& table,
                              ReadNotes& notes, SessionSink sink)
{
    return read_lines({fd, range}, sel, table, notes, sink, {});
}

ReadStatus read_history_file(int fd, const Selection& sel, SessionTable& table, ReadNotes& notes,
                             SessionSink sink)
{
    // The first bytes tell a compressed file; read, they go to the reader.
    char first[signature_size];
    std::size_t got = 0;
    while (got < sizeof first) {
        const long n = read_some(fd, first + got, sizeof first - got);
        if (n < 0)
            return ReadStatus::read_error;
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    const std::string_view first_bytes(first, got);
    if (compression_of(first_bytes) == Compression::none)
        return read_history(fd, sel, table, notes, sink, first_bytes);
    if (!can_decompress())
        return ReadStatus::compressed;
    Decompression d;
    if (!start_decompression(fd, first_bytes, d))
        return ReadStatus::read_error;
    const ReadStatus status = read_history(d.fd, sel, table, notes, sink);
    const bool whole = finish_decompression(d);
    return whole ? status : ReadStatus::read_error;
}

void add_notes(ReadNotes& notes, const ReadNotes& next)
{
    notes.skipped += next.skipped;
    if (notes.named.size() < next.named.size())
        notes.named.resize(next.named.size(), false);
    for (std::size_t i = 0; i < next.named.size(); ++i)
        if (next.named[i])
            notes.named[i] = true;
    if (notes.matched.size() < next.matched.size())
        notes.matched.resize(next.matched.size(), false);
    for (std::size_t i = 0; i < next.matched.size(); ++i)
        if (next.matched[i])
            notes.matched[i] = true;
    // Both hold their first names in byte order: so do the first of both.
    std::vector<std::string> names;
    std::set_union(notes.names_in_file.begin(), notes.names_in_file.end(), next.names_in_file.begin(),
                   next.names_in_file.end(), std::back_inserter(names));
    if (names.size() > listed_names + 1)
        names.resize(listed_names + 1);
    notes.names_in_file = std::move(names);
}
