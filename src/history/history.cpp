// history.cpp - the history line format and the reader.
#include "history/history.h"

#include "history/line_scan.h"
#include "history/numbers.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

constexpr std::size_t block_size = 256 * 1024;

// The helpers below work on a local copy of the position: a byte read
// through a pointer held in memory would force it back to memory on every
// step.

// The first comma at or after p, or end; eight bytes at a time.
const char* find_comma(const char* p, const char* end)
{
    for (; end - p >= 8; p += 8) {
        const std::uint64_t commas =
            word_marks::first_equal(word_marks::load(reinterpret_cast<const unsigned char*>(p)), ',');
        if (commas != 0)
            return p + std::countr_zero(commas) / 8;
    }
    while (p < end && *p != ',')
        ++p;
    return p;
}

// The start of the next field: the first byte after p that is no comma,
// or end when the line holds no further field.
[[gnu::always_inline]] inline const char* field_start(const char* p, const char* end)
{
    while (p < end && *p == ',')
        ++p;
    return p;
}

// Steps pos past the next field: a longest run of bytes other than the
// comma, after any commas. Returns false when the line holds no further field.
[[gnu::always_inline]] inline bool next_field(const char*& pos, const char* end,
                                              std::string_view& field)
{
    const char* begin = field_start(pos, end);
    if (begin == end)
        return false;
    const char* p = find_comma(begin, end);
    field = std::string_view(begin, static_cast<std::size_t>(p - begin));
    pos = p;
    return true;
}

// Reads the next field as a number; false when there is none. Plain digits
// are taken in the same pass that finds the field's end.
[[gnu::always_inline]] inline bool next_number(const char*& pos, const char* end,
                                               std::int64_t& value)
{
    const char* begin = field_start(pos, end);
    if (begin == end)
        return false;
    const char* p = begin;
    std::uint64_t magnitude = 0;
    // At most 18 digits cannot overflow.
    const char* stop = end - begin > 18 ? begin + 18 : end;
    for (unsigned d; p < stop && (d = static_cast<unsigned char>(*p) - 0x30U) < 10; ++p)
        magnitude = magnitude * 10 + d;
    if (p != begin) {
        if (p < end && *p == '\n' && p + 1 == end)
            ++p; // the line feed closes the last field
        if (p == end || *p == ',') {
            value = static_cast<std::int64_t>(magnitude);
            pos = p;
            return true;
        }
    }
    // Blanks, signs, long numbers or trailing text: the general reader.
    while (p < end && *p != ',')
        ++p;
    value = read_number(std::string_view(begin, static_cast<std::size_t>(p - begin)));
    pos = p;
    return true;
}

// Sums the next three fields as numbers, wrapping.
[[gnu::always_inline]] inline bool next_three(const char*& p, const char* end,
                                              std::int64_t& sum)
{
    sum = 0;
    for (int i = 0; i < 3; ++i) {
        std::int64_t v = 0;
        if (!next_number(p, end, v))
            return false;
        sum = wrapping_add(sum, v);
    }
    return true;
}

// Lines of at most this many bytes, line feed included, can be split by
// looking at all their bytes at once; line feeds are looked for as many
// bytes at a time.
constexpr std::size_t quick_span = 64;
// What that reads from a line's start, or from any place before the end of
// what was read: the reader keeps this many bytes readable after either.
constexpr std::size_t quick_reach = quick_span + 8;

// The value of the n digits (1 to 8) at p, all eight bytes readable.
// Little-endian only.
[[gnu::always_inline]] inline std::uint64_t digits_value(const char* p, std::size_t n)
{
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    // The digits moved to the top, the first the most significant, then
    // combined in pairs, fours and eights.
    std::uint64_t d = (w & 0x0f0f0f0f0f0f0f0fULL) << (8 * (8 - n));
    d = (d * 10 + (d >> 8)) & 0x00ff00ff00ff00ffULL;
    d = (d * 100 + (d >> 16)) & 0x0000ffff0000ffffULL;
    return (d * 10000 + (d >> 32)) & 0xffffffffULL;
}

// The value of the n digits (1 to 16) at p.
[[gnu::always_inline]] inline std::int64_t field_value(const char* p, std::size_t n)
{
    if (n <= 8)
        return static_cast<std::int64_t>(digits_value(p, n));
    return static_cast<std::int64_t>(digits_value(p, n - 8) * 100000000 +
                                     digits_value(p + n - 8, 8));
}

// Bits below bit n.
[[gnu::always_inline]] inline std::uint64_t bits_below(std::size_t n)
{
    return n >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
}

// Splits a plain line at once: twelve fields between single commas, the
// numbers plain digits, at most 16 of them, and the line feed last; or a
// line of another name. Gives the same verdict and fields as
// parse_session_fields in the whole-file scope, or returns false for a
// line it leaves to that. quick_reach bytes from the line's start must be
// readable. Kept out of the reader's loop: inlined there, it made the loop
// slower in both scopes.
[[gnu::noinline]] bool quick_parse(std::string_view line, const RunOptions& opts,
                                   SessionFields& f, LineVerdict& verdict)
{
    const std::size_t size = line.size();
    if (std::endian::native != std::endian::little || size > quick_span || size < 2 ||
        line[size - 1] != '\n')
        return false;
    const char* p = line.data();
    const LineMarks marks = scan_line(reinterpret_cast<const unsigned char*>(p));
    const std::uint64_t body = bits_below(size - 1); // the line without its feed
    std::uint64_t commas = marks.commas & body;
    if (commas == 0 || (commas & 1) != 0)
        return false;
    const auto first = static_cast<std::size_t>(std::countr_zero(commas));
    if (!same_text(std::string_view(p, first), opts.line_name)) {
        verdict = LineVerdict::dropped;
        return true;
    }
    // Fields neither empty nor more than twelve.
    if ((commas & (commas >> 1)) != 0 || (commas >> (size - 2) & 1) != 0)
        return false;
    std::size_t at[12]; // where each field ends
    for (std::size_t i = 0; i < 11; ++i) {
        if (commas == 0)
            return false;
        at[i] = static_cast<std::size_t>(std::countr_zero(commas));
        commas &= commas - 1;
    }
    if (commas != 0)
        return false;
    at[11] = size - 1;
    // Every byte of the numeric fields a digit: all but the name, the
    // address, the flags and the commas.
    const std::uint64_t texts = bits_below(at[1]) | (bits_below(at[4]) & ~bits_below(at[3]));
    const std::uint64_t numeric = body & ~marks.commas & ~texts;
    if ((numeric & ~marks.digits) != 0)
        return false;
    constexpr std::size_t longest = 16;
    for (const std::size_t i : {2, 3, 5, 6, 7, 8, 9, 10, 11})
        if (at[i] - at[i - 1] - 1 > longest)
            return false;
    const auto field = [p, &at](std::size_t i) { return p + at[i - 1] + 1; };
    const auto length = [&at](std::size_t i) { return at[i] - at[i - 1] - 1; };
    f.address = std::string_view(field(1), length(1));
    f.start = field_value(field(2), length(2));
    f.duration = field_value(field(3), length(3));
    if (f.duration == 0) {
        verdict = LineVerdict::dropped;
        return true;
    }
    f.flags = std::string_view(field(4), length(4));
    f.error = (static_cast<std::uint64_t>(field_value(field(5), length(5))) & 0xffffffffU) != 0;
    // At most 16 digits each: the sums cannot overflow.
    f.sent = field_value(field(6), length(6)) + field_value(field(7), length(7)) +
             field_value(field(8), length(8));
    f.received = field_value(field(9), length(9)) + field_value(field(10), length(10)) +
                 field_value(field(11), length(11));
    verdict = LineVerdict::selected;
    return true;
}

// Where selected lines go. Each is held back while a few more are
// selected, and meanwhile the processor fetches its address's index slot.
struct Filing {
    static constexpr std::size_t lead = 4;
    SessionTable& table;
    SessionFields pending[lead] = {};
    std::uint64_t hashes[lead] = {};
    std::size_t first = 0; // the oldest line held back
    std::size_t count = 0;
};

// Files the oldest line held back as the newest session.
void file_oldest(Filing& filing)
{
    const SessionFields& f = filing.pending[filing.first];
    const std::uint64_t hash = filing.hashes[filing.first];
    filing.first = (filing.first + 1) % Filing::lead;
    --filing.count;
    SessionTable& table = filing.table;
    const std::uint32_t address = intern(table.addresses, f.address, hash);
    Session s;
    s.start = f.start;
    s.duration = f.duration;
    s.sent = f.sent;
    s.received = f.received;
    s.address = address;
    s.flags = intern(table.flags, f.flags);
    s.error = f.error;
    append_session(table, s);
}

// Handles one line; its text ends at the first NUL, if it may hold one.
// quick_reach bytes from its start are readable.
void handle_line(std::string_view line, bool may_hold_nul, const RunOptions& opts,
                 const TimeWindow& window, Filing& filing, std::uint64_t& skipped)
{
    if (may_hold_nul) {
        if (const void* nul = std::memchr(line.data(), '\0', line.size()))
            line = line.substr(0, static_cast<std::size_t>(
                                      static_cast<const char*>(nul) - line.data()));
    }
    SessionFields fields;
    LineVerdict verdict;
    // Over the whole file most lines are selected, and the quick split pays;
    // over the last day most are dropped after three fields, and it does not.
    if (opts.scope != ReportScope::all || !quick_parse(line, opts, fields, verdict))
        verdict = parse_session_fields(line, opts, window, fields);
    switch (verdict) {
    case LineVerdict::selected: {
        const std::uint64_t hash = hash_text(fields.address);
        prefetch_slot(filing.table.addresses, hash);
        if (filing.count == Filing::lead)
            file_oldest(filing);
        const std::size_t slot = (filing.first + filing.count) % Filing::lead;
        filing.pending[slot] = fields;
        filing.hashes[slot] = hash;
        ++filing.count;
        break;
    }
    case LineVerdict::incomplete:
        ++skipped;
        break;
    case LineVerdict::dropped:
        break;
    }
}

} // namespace

LineVerdict parse_session_fields(std::string_view line, const RunOptions& opts,
                                 const TimeWindow& window, SessionFields& f)
{
    const char* p = line.data();
    const char* end = p + line.size();
    std::string_view name;
    if (!next_field(p, end, name) || !same_text(name, opts.line_name))
        return LineVerdict::dropped;
    if (!next_field(p, end, f.address) || !next_number(p, end, f.start))
        return LineVerdict::incomplete;
    if (opts.scope == ReportScope::recent &&
        (f.start < window.from || f.start > window.to))
        return LineVerdict::dropped;
    if (!next_number(p, end, f.duration))
        return LineVerdict::incomplete;
    if (f.duration == 0)
        return LineVerdict::dropped;
    std::int64_t error = 0;
    if (!next_field(p, end, f.flags) || !next_number(p, end, error) ||
        !next_three(p, end, f.sent) || !next_three(p, end, f.received))
        return LineVerdict::incomplete;
    // Only the low 32 bits of the error number count.
    f.error = (static_cast<std::uint64_t>(error) & 0xffffffffU) != 0;
    return LineVerdict::selected;
}

namespace {

// Reads fd to its end, adding the selected sessions to table.
ReadStatus read_sessions(int fd, const RunOptions& opts, const TimeWindow& window,
                         SessionTable& table, std::uint64_t& skipped)
{
    std::size_t capacity = block_size;
    // Zeroed bytes after the room for lines, so that any place in it has
    // quick_reach readable bytes after it.
    std::unique_ptr<char[]> buf(new char[capacity + quick_reach]());
    std::size_t held = 0; // bytes of an unfinished line at the front of buf
    bool held_may_hold_nul = false;
    Filing filing{table};
    for (;;) {
        if (held == capacity) { // a line longer than the buffer
            std::unique_ptr<char[]> larger(new char[capacity * 2 + quick_reach]());
            std::memcpy(larger.get(), buf.get(), held);
            buf.swap(larger);
            capacity *= 2;
        }
        const ssize_t n = ::read(fd, buf.get() + held, capacity - held);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return ReadStatus::read_error;
        }
        if (n == 0)
            return ReadStatus::ok; // an unfinished last line is left out
        const char* begin = buf.get();
        const char* scan = begin + held;
        const char* end = scan + n;
        // One look for NUL bytes per read spares one per line. Only the new
        // bytes are looked at: a long line may come in many reads.
        const bool may_hold_nul =
            held_may_hold_nul ||
            std::memchr(scan, '\0', static_cast<std::size_t>(end - scan)) != nullptr;
        // Line feeds are marked 64 bytes at a time; one look serves every
        // line that ends in those bytes.
        const auto feeds_at = [end](const char* at) {
            return scan_feeds(reinterpret_cast<const unsigned char*>(at)) &
                   bits_below(static_cast<std::size_t>(end - at));
        };
        const char* marked = scan;
        std::uint64_t feeds = feeds_at(marked);
        for (;;) {
            while (feeds == 0 && end - marked > static_cast<std::ptrdiff_t>(quick_span)) {
                marked += quick_span;
                feeds = feeds_at(marked);
            }
            if (feeds == 0)
                break;
            const char* next = marked + std::countr_zero(feeds) + 1;
            feeds &= feeds - 1;
            handle_line(std::string_view(begin, static_cast<std::size_t>(next - begin)),
                        may_hold_nul, opts, window, filing, skipped);
            begin = next;
        }
        while (filing.count > 0) // their texts are in the buffer, which moves now
            file_oldest(filing);
        held = static_cast<std::size_t>(end - begin);
        held_may_hold_nul = held > 0 && may_hold_nul;
        std::memmove(buf.get(), begin, held);
    }
}

} // namespace

ReadStatus read_history(int fd, const RunOptions& opts, const TimeWindow& window,
                        SessionTable& table, SystemTable& systems,
                        std::uint64_t& skipped)
{
    const ReadStatus status = read_sessions(fd, opts, window, table, skipped);
    // One system per address, in the order of their ids, which is that of
    // their first selected sessions; made at once, in a table of the right size.
    systems.reserve(systems.size() + table.addresses.texts.size());
    for (const std::string_view address : table.addresses.texts) {
        SystemStats sys;
        sys.address = address;
        systems.push_back(sys);
    }
    return status;
}
