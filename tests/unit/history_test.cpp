#include "history/compressed.h"
#include "history/cpu.h"
#include "history/history_line.h"
#include "history/numbers.h"
#include "history/read_buffer.h"
#include "history/reader.h"

#include "render.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <vector>

namespace {

enum class Scope { all, recent };

// The sessions of line, and in the recent scope only those that started
// from 1000 to 2000.
Selection selection(Scope scope, std::string_view line = "tcpip")
{
    Selection sel = select_lines(line);
    if (scope == Scope::recent)
        sel.window = TimeWindow{1000, 2000};
    return sel;
}

TEST(parse_session_fields, verdicts)
{
    using enum LineVerdict;
    const struct {
        Scope scope;
        std::string_view line;
        LineVerdict verdict;
    } cases[] = {
        {Scope::all, "tcpip,9:99/1,900,125,I,1,0,0,0,100,100,70\n", selected},
        {Scope::all, "tcpipx,9:99/1,900,125,I,1,0,0,0,100,100,70\n", dropped},
        {Scope::all, "TCPIP,9:99/1,900,125,I,1,0,0,0,100,100,70\n", dropped},
        {Scope::all, "tcpip\n", dropped},             // the line feed is in field 1
        {Scope::all, ",,,,\n", dropped},              // no field at all
        {Scope::all, "", dropped},
        // An empty field 2 moves the rest forward: the duration reads "I", 0.
        {Scope::all, "tcpip,,900,125,I,1,0,0,0,100,100,70\n", dropped},
        {Scope::all, "tcpip,9:99/1,900,0\n", dropped}, // zero duration wins
        {Scope::all, "tcpip,9:99/1,900,-5,I,0,0,0,0,0,0,0\n", selected},
        {Scope::all, "tcpip,9:99/1\n", incomplete},
        {Scope::all, "tcpip,9:99/1,900\n", incomplete},
        {Scope::all, "tcpip,9:99/1,900,125\n", incomplete},
        {Scope::all, "tcpip,9:99/1,900,125,I,1,0,0,0,100,100\n", incomplete},
        {Scope::all, "tcpip,9:99/1,900,125,I,1,0,0,0,100,100,\n", selected},
        {Scope::all, "tcpip,9:99/1,5000,125,I,1,0,0,0,100,100,70\n", selected},
        {Scope::recent, "tcpip,9:99/1,999,125,I,1,0,0,0,100,100,70\n", dropped},
        {Scope::recent, "tcpip,9:99/1,1000,125,I,1,0,0,0,100,100,70\n", selected},
        {Scope::recent, "tcpip,9:99/1,2000,125,I,1,0,0,0,100,100,70\n", selected},
        {Scope::recent, "tcpip,9:99/1,2001,125,I,1,0,0,0,100,100,70\n", dropped},
        {Scope::recent, "tcpip,9:99/1,5\n", dropped},     // outside, before the gap
        {Scope::recent, "tcpip,9:99/1,1500\n", incomplete},
        {Scope::recent, "tcpip,9:99/1\n", incomplete},
    };
    for (const auto& c : cases) {
        SessionFields f;
        EXPECT_EQ(parse_session_fields(c.line, selection(c.scope), f), c.verdict)
            << c.line;
    }
}

TEST(parse_session_fields, empty_line_name_selects_nothing)
{
    SessionFields f;
    EXPECT_EQ(parse_session_fields(",9:99/1,900,125,I,1,0,0,0,100,100,70\n",
                                   selection(Scope::all, ""), f),
              LineVerdict::dropped);
}

TEST(select_lines, every_name_of_a_long_list_at_its_place)
{
    // Names given twice count once, at their first place; an empty name
    // is kept and names nothing a line can give.
    std::string list;
    for (int i = 0; i < 20000; ++i)
        list += "l" + std::to_string(i % 15000) + ",";
    const Selection sel = select_lines(list);
    ASSERT_EQ(sel.line_names.size(), 15001u);
    EXPECT_FALSE(sel.one_line);
    for (int i = 0; i < 15000; ++i)
        ASSERT_EQ(line_index(sel, "l" + std::to_string(i)), i);
    EXPECT_EQ(line_index(sel, ""), 15000);
    for (const std::string_view other : {"l15000", "l-1", "L1", "l1 ", "tcpip"})
        EXPECT_EQ(line_index(sel, other), -1) << other;

    const Selection two = select_lines("tcpip,cuaa1,tcpip");
    EXPECT_EQ(two.line_names, (std::vector<std::string_view>{"tcpip", "cuaa1"}));
    EXPECT_EQ(line_index(two, "cuaa1"), 1);
    EXPECT_EQ(line_index(two, "ttyS1"), -1);
    EXPECT_TRUE(select_lines("tcpip").one_line);
}

TEST(parse_session_fields, fields)
{
    const struct {
        std::string_view line;
        std::string_view address;
        std::int64_t start, duration;
        std::string_view flags;
        std::int32_t error;
        std::int64_t sent, received;
    } cases[] = {
        {"tcpip,9:99/1,900,125,I,1,0,0,0,100,100,70\n", "9:99/1", 900, 125, "I", 1, 0, 270},
        {",,tcpip,,9:99/1,,900,,125,I,,1,0,0,0,100,100,70\n", "9:99/1", 900, 125, "I", 1, 0, 270},
        {"tcpip,a b, 900,  125,OI,0,1,2,3,4,5,6,junk\n", "a b", 900, 125, "OI", 0, 6, 15},
        {"tcpip,a,900,125,I,4294967296,0,0,0,0,0,7\r\n", "a", 900, 125, "I", 0, 0, 7},
        {"tcpip,a,900,125,I,4294967407,0,0,0,0,0,7\r\n", "a", 900, 125, "I", 111, 0, 7},
        {"tcpip,a,900,125,I,-1,0,0,0,0,0,7\n", "a", 900, 125, "I", -1, 0, 7},
        {"tcpip,a,900,125,I,2147483648,0,0,0,0,0,7\n", "a", 900, 125, "I", INT32_MIN, 0, 7},
        {"tcpip,a,900,125s,XYZ,0,1,1,1,1,1,\n", "a", 900, 125, "XYZ", 0, 3, 2},
        {"tcpip,a,900,1,O,0,9223372036854775807,1,0,0,0,0\n", "a", 900, 1, "O", 0,
         INT64_MIN, 0},
    };
    for (const auto& c : cases) {
        SessionFields f;
        ASSERT_EQ(parse_session_fields(c.line, selection(Scope::all), f),
                  LineVerdict::selected)
            << c.line;
        EXPECT_EQ(f.address, c.address) << c.line;
        EXPECT_EQ(f.start, c.start) << c.line;
        EXPECT_EQ(f.duration, c.duration) << c.line;
        EXPECT_EQ(f.flags, c.flags) << c.line;
        EXPECT_EQ(f.error, c.error) << c.line;
        EXPECT_EQ(f.sent, c.sent) << c.line;
        EXPECT_EQ(f.received, c.received) << c.line;
    }
}

std::vector<Session> unpack(const SessionTable& table)
{
    std::vector<Session> sessions;
    SessionCursor cursor;
    for (Session s; next_session(table, cursor, s);)
        sessions.push_back(s);
    return sessions;
}

TEST(append_session, packs_and_unpacks_every_value_across_blocks)
{
    const std::int64_t values[] = {0, 1, -1, 63, 64, -64, -65, 1796169600, INT64_MAX, INT64_MIN};
    SessionTable table;
    std::vector<Session> want;
    std::uint32_t id = 0;
    // Enough sessions of the widest kind to fill several blocks.
    for (int round = 0; round < 4000; ++round) {
        for (const std::int64_t v : values) {
            Session s;
            s.address = id;
            s.flags = id ^ 0x7fffffffU;
            s.error = (id & 1) != 0 ? static_cast<std::int32_t>(id) : 0;
            s.start = v;
            s.duration = static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(v));
            s.sent = v ^ round;
            s.received = wrapping_add(INT64_MAX, v);
            s.line = round % 3 == 0 ? 0 : static_cast<std::uint32_t>(v) ^ id;
            id = id * 2654435761U + 1;
            append_session(table, s);
            want.push_back(s);
        }
    }
    ASSERT_GT(table.blocks.size(), 1U);
    EXPECT_EQ(table.count, want.size());
    EXPECT_TRUE(unpack(table) == want);
}

// Every text of a pool, by id.
std::vector<std::string_view> texts(const TextPool& pool)
{
    std::vector<std::string_view> all;
    for (std::uint32_t id = 0; id < pool.count; ++id)
        all.push_back(text_of(pool, id));
    return all;
}

struct ReadResult {
    ReadStatus status;
    SessionTable sessions;
    std::uint64_t skipped = 0;
};

ReadResult read_text(const std::string& text, const Selection& sel = selection(Scope::all))
{
    ScratchFile file(text);
    ReadResult r;
    const int fd = ::open(file.path.c_str(), O_RDONLY);
    ReadNotes notes;
    r.status = read_history(fd, sel, r.sessions, notes);
    r.skipped = notes.skipped;
    ::close(fd);
    return r;
}

std::string line(std::string_view address, int duration = 125)
{
    return "tcpip," + std::string(address) + ",900," + std::to_string(duration) +
           ",IO,0,1,2,3,4,5,6\n";
}

TEST(read_history, long_lines_are_one_session_each)
{
    const std::string long_address(150, 'x');
    const std::string huge_address(700 * 1024, 'y'); // longer than a read block
    const ReadResult r = read_text(line(long_address) + line(huge_address) + line("short"));
    ASSERT_EQ(r.status, ReadStatus::ok);
    ASSERT_EQ(r.sessions.count, 3U);
    EXPECT_EQ(texts(r.sessions.addresses),
              (std::vector<std::string_view>{long_address, huge_address, "short"}));
    const std::vector<Session> sessions = unpack(r.sessions);
    EXPECT_EQ(sessions[1].sent, 6);
    EXPECT_EQ(sessions[1].received, 15);
}

TEST(read_history, a_last_line_without_line_feed_is_ignored)
{
    for (const std::size_t length : {10U, 99U, 150U}) {
        std::string last = line(std::string(length, 'z'));
        last.pop_back();
        const ReadResult r = read_text(line("a") + last);
        EXPECT_EQ(r.sessions.count, 1U) << length;
        EXPECT_EQ(r.skipped, 0U);
    }
    EXPECT_EQ(read_text("").sessions.count, 0U);
}

TEST(read_history, text_ends_at_the_first_nul)
{
    const std::string text =
        std::string("tcpip,a,900,125,I,1,0,0,0,100,100,70\0,999,junk\n", 47) +
        std::string("tcpip,b,900\0,125,I,1,0,0,0,100,100,70\n", 38) +
        std::string("\0tcpip,c,900,125,I,1,0,0,0,100,100,70\n", 38);
    const ReadResult r = read_text(text);
    ASSERT_EQ(r.sessions.count, 1U);
    EXPECT_EQ(unpack(r.sessions)[0].received, 270);
    EXPECT_EQ(r.skipped, 1U); // b ran out of fields at the NUL
}

TEST(read_history, a_nul_read_well_before_its_line_feed_still_ends_the_text)
{
    // The first read ends inside the long tail, so the NUL is already held
    // when the line feed arrives.
    const std::string text = std::string("tcpip,a,900,125,I,1,0,0,0,100,100,70\0", 37) +
                             std::string(300 * 1024, ',') + "9,9,9\n" + line("b");
    const ReadResult r = read_text(text);
    const std::vector<Session> sessions = unpack(r.sessions);
    ASSERT_EQ(sessions.size(), 2U);
    EXPECT_EQ(sessions[0].received, 270);
    EXPECT_EQ(text_of(r.sessions.addresses, sessions[1].address), "b");
}

// Lines longer than a read block, whose rest the reader passes over once it
// cannot matter, must come out as parse_session_fields says.
TEST(read_history, long_lines_passed_over_agree_with_parse_session_fields)
{
    const std::string tail(600 * 1024, 'x');
    const std::string lines[] = {
        "cuaa1," + tail + ",1500,60,O,0,1,2,3,4,5,6\n",         // another line
        tail + "\n",                                             // a long first field
        "tcpip,a,999," + tail + ",O,0,1,2,3,4,5,6\n",            // before the window
        "tcpip,a,1500,0," + tail + ",0,1,2,3,4,5,6\n",           // no time online
        "tcpip,a,1500,60," + tail + "\n",                        // incomplete
        "tcpip,b,1500,60,O,0,1,2,3,4,5,6" + std::string("\0", 1) + tail + "\n",
        "tcpip,c,1500,60," + tail + ",0,1,2,3,4,5,6\n",          // long letters
        "tcpip," + tail + ",1500,60,O,0,1,2,3,4,5,6\n",          // long address
        "tcpipx" + tail + "\n",
        "tcpip,d,1500,60,O,0,1,2,3,4,5,6\n",
    };
    for (const Scope scope : {Scope::all, Scope::recent}) {
        const Selection sel = selection(scope);
        std::string text;
        std::vector<std::string> want_addresses;
        std::uint64_t want_skipped = 0;
        for (const std::string& l : lines) {
            text += l;
            SessionFields f;
            const std::string_view line(l.data(), std::min(l.find('\0'), l.size()));
            const LineVerdict verdict = parse_session_fields(line, sel, f);
            if (verdict == LineVerdict::selected)
                want_addresses.emplace_back(f.address);
            want_skipped += verdict == LineVerdict::incomplete ? 1 : 0;
        }
        const ReadResult r = read_text(text, sel);
        std::vector<std::string> got_addresses;
        for (const Session& s : unpack(r.sessions))
            got_addresses.emplace_back(text_of(r.sessions.addresses, s.address));
        EXPECT_EQ(got_addresses, want_addresses);
        EXPECT_EQ(r.skipped, want_skipped);
    }
}

TEST(read_history, one_address_id_per_address_in_first_seen_order)
{
    const ReadResult r = read_text(line("b") + line("a") + "tcpip,c\n" + line("b") +
                                   line("c", 0) + "cuaa1,d\n" + line("a"));
    EXPECT_EQ(texts(r.sessions.addresses), (std::vector<std::string_view>{"b", "a"}));
    ASSERT_EQ(r.sessions.count, 4U);
    const std::vector<Session> sessions = unpack(r.sessions);
    EXPECT_EQ(sessions[2].address, 0U);
    EXPECT_EQ(sessions[3].address, 1U);
    EXPECT_EQ(r.sessions.flags.count, 1U);
    EXPECT_EQ(r.skipped, 1U);
}

TEST(marks64, every_feed_comma_and_digit_of_64_bytes)
{
    unsigned char bytes[64];
    for (unsigned round = 0; round < 256; ++round) {
        cpu::BlockMarks want;
        std::uint64_t want_feeds = 0;
        for (unsigned i = 0; i < 64; ++i) {
            bytes[i] = static_cast<unsigned char>(round + i * 37);
            want.commas |= std::uint64_t{bytes[i] == ','} << i;
            want.digits |= std::uint64_t{bytes[i] >= '0' && bytes[i] <= '9'} << i;
            want_feeds |= std::uint64_t{bytes[i] == '\n'} << i;
        }
        EXPECT_EQ(cpu::feeds64(bytes), want_feeds) << round;
        EXPECT_EQ(cpu::feeds64_plain(bytes), want_feeds) << round;
        // The cheaper mark finds the same first comma of each word.
        for (unsigned i = 0; i < 64; i += 8) {
            const std::uint64_t w = cpu::load_le64(bytes + i);
            EXPECT_EQ(std::countr_zero(cpu::words::first_equal(w, ',')),
                      std::countr_zero(cpu::words::equal(w, ',')))
                << round << ' ' << i;
        }
        for (const cpu::BlockMarks got : {cpu::marks64(bytes), cpu::marks64_plain(bytes)}) {
            EXPECT_EQ(got.commas, want.commas) << round;
            EXPECT_EQ(got.digits, want.digits) << round;
        }
    }
}

TEST(next_line_end, finds_what_memchr_finds)
{
    std::uint64_t r = 7;
    for (std::size_t size = 0; size <= 300; size += 7) {
        for (const unsigned density : {2U, 30U, 200U}) {
            ReadBuffer buffer = make_read_buffer(512);
            for (std::size_t i = 0; i < size; ++i) {
                r = r * 6364136223846793005ULL + 1442695040888963407ULL;
                buffer.storage[i] = (r >> 33) % density == 0 ? '\n' : 'x';
            }
            buffer.size = size;
            for (const std::size_t from : {std::size_t{0}, size / 3, size}) {
                std::vector<const char*> want, got;
                const char* end = buffer.end();
                for (const char* p = buffer.data() + from;
                     (p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)))) != nullptr;)
                    want.push_back(++p);
                LineFeeds feeds = line_feeds(buffer, buffer.data() + from);
                for (const char* p; (p = next_line_end(feeds)) != nullptr;)
                    got.push_back(p);
                EXPECT_EQ(got, want) << size << ' ' << density << ' ' << from;
            }
        }
    }
}

// Short plain lines are split by a quicker path than the rest; whatever
// the bytes, the reader must agree with parse_session_fields line by line.
TEST(read_history, agrees_with_parse_session_fields_on_every_line)
{
    const std::string seeds[] = {
        "tcpip,2:5020/52,1500,125,IO,0,1,22,333,4444,55555,666666\n",
        "tcpip,1:1/1,1999,9,O,4294967296,0,0,0,0,0,0\n",
        // 64 bytes in all, and 65: on both sides of the quick path's reach.
        "tcpip,2:5020/1042.1234,1000,1,I,0,1234567890123456,0,0,1,0,0000\n",
        "tcpip,2:5020/1042.12345,1000,1,I,0,1234567890123456,0,0,1,0,0000\n",
        "tcpip,a,1000,123456789,I,1,99999999,100000000,0,0,0,1\n",
        "tcpip,a,1000,9,I,1,0,12345678901234567,1234567890123456,0,0,0\n",
        "cuaa1,a,1000,5,I,0,0,0,0,0,0,0\n",
    };
    ASSERT_EQ(seeds[2].size(), 64U);
    ASSERT_EQ(seeds[3].size(), 65U);
    // Each seed, and each with one byte replaced or taken out.
    const std::string bytes(",0912 -+x/\t\x80\xff\0", 14);
    std::vector<std::string> lines;
    for (const std::string& seed : seeds) {
        lines.push_back(seed);
        for (std::size_t i = 0; i + 1 < seed.size(); ++i) {
            for (const char b : bytes) {
                std::string l = seed;
                l[i] = b;
                lines.push_back(l);
            }
            lines.push_back(seed.substr(0, i) + seed.substr(i + 1));
        }
    }
    std::string text;
    for (const std::string& l : lines)
        text += l;
    for (const Scope scope : {Scope::all, Scope::recent}) {
        const Selection sel = selection(scope);
        const ReadResult r = read_text(text, sel);
        const std::vector<Session> got = unpack(r.sessions);
        std::size_t next = 0;
        std::uint64_t skipped = 0;
        for (const std::string& l : lines) {
            const std::string_view text_part(l.data(), std::min(l.find('\0'), l.size()));
            SessionFields f;
            const LineVerdict verdict = parse_session_fields(text_part, sel, f);
            skipped += verdict == LineVerdict::incomplete ? 1 : 0;
            if (verdict != LineVerdict::selected)
                continue;
            ASSERT_LT(next, got.size()) << l;
            const Session& s = got[next++];
            EXPECT_EQ(text_of(r.sessions.addresses, s.address), f.address) << l;
            EXPECT_EQ(text_of(r.sessions.flags, s.flags), f.flags) << l;
            EXPECT_EQ(s.start, f.start) << l;
            EXPECT_EQ(s.duration, f.duration) << l;
            EXPECT_EQ(s.error, f.error) << l;
            EXPECT_EQ(s.sent, f.sent) << l;
            EXPECT_EQ(s.received, f.received) << l;
        }
        EXPECT_EQ(next, got.size());
        EXPECT_EQ(skipped, r.skipped);
    }
}

TEST(read_history, a_directory_is_a_read_error)
{
    const int fd = ::open(".", O_RDONLY);
    ASSERT_GE(fd, 0);
    SessionTable sessions;
    ReadNotes notes;
    EXPECT_EQ(read_history(fd, selection(Scope::all), sessions, notes), ReadStatus::read_error);
    ::close(fd);
}

} // namespace

namespace {

// A format is known by its whole signature, never by its first letters.
TEST(compression_of, whole_signatures_only)
{
    using namespace std::string_view_literals;
    const struct {
        std::string_view first;
        Compression want;
    } cases[] = {
        {"\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03"sv, Compression::gzip},
        {"\x1f\x8b\x07"sv, Compression::none}, // not deflate
        {"\x1f\x8b"sv, Compression::none},
        {"BZh91AY&SY"sv, Compression::bzip2},
        {"BZh1\x17\x72\x45\x38\x50\x90"sv, Compression::bzip2}, // an empty stream
        {"BZh9,2:5020/1,179"sv, Compression::none},            // a line named BZh9
        {"BZh01AY&SY"sv, Compression::none},
        {"BZh9"sv, Compression::none},
        {"\xfd\x37\x7a\x58\x5a\x00\x00\x04"sv, Compression::xz},
        {"\xfd\x37\x7a\x58\x5a"sv, Compression::none},
        {"\x28\xb5\x2f\xfd\x24\x00"sv, Compression::zstd},
        {"\x28\xb5\x2f"sv, Compression::none},
        {"tcpip,2:5020/1,1"sv, Compression::none},
        {""sv, Compression::none},
    };
    for (const auto& c : cases)
        EXPECT_EQ(compression_of(c.first), c.want) << c.first;
}

} // namespace
