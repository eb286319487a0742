// fuzz_history.cpp - arbitrary bytes as a history file, through the whole run.
//
// Each input is read by the tool's own reader, summing and sorting, whose
// results must match a plain model of the same rules written for clarity
// alone, and whose sums as the sessions come must match the sums of the
// kept table; and by run() in both scopes, which must end with status 0
// (the file is always readable, unless it starts like compressed data) and
// write only to its scratch descriptors; and run with two threads, which
// must print what one prints.
#include "app/run.h"
#include "history/compressed.h"
#include "history/reader.h"
#include "stats/stats.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::int64_t now = 1796169600;

std::int64_t fixed_clock()
{
    return now;
}

struct ModelSession {
    std::size_t line;
    std::string address, flags;
    std::int64_t start, duration, sent, received;
    std::int32_t error;
};

struct ModelSystem {
    std::int64_t online = 0, sent = 0, received = 0, out_online = 0, in_online = 0;
    std::uint32_t sessions = 0, out_sessions = 0, in_sessions = 0;
};

struct Model {
    std::vector<ModelSession> sessions;
    std::map<std::string, ModelSystem> systems; // std::string orders bytes unsigned
    std::uint64_t skipped = 0;
};

std::int64_t number(const std::string& field)
{
    errno = 0;
    return std::strtoll(field.c_str(), nullptr, 10); // saturates like the reader
}

std::int64_t add(std::int64_t a, std::int64_t b)
{
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b));
}

// The history rules, one line at a time, with no regard for speed.
Model model(const std::string& data, const Selection& sel)
{
    Model m;
    std::size_t begin = 0;
    for (std::size_t lf; (lf = data.find('\n', begin)) != std::string::npos; begin = lf + 1) {
        std::string text = data.substr(begin, lf + 1 - begin);
        text = text.substr(0, text.find('\0'));
        std::vector<std::string> f;
        for (std::size_t i = 0; i < text.size();) {
            if (text[i] == ',') {
                ++i;
                continue;
            }
            const std::size_t j = std::min(text.find(',', i), text.size());
            f.push_back(text.substr(i, j - i));
            i = j;
        }
        if (f.empty())
            continue;
        const auto named = std::find(sel.line_names.begin(), sel.line_names.end(), f[0]);
        if (named == sel.line_names.end())
            continue;
        if (f.size() < 3) {
            ++m.skipped;
            continue;
        }
        const std::int64_t start = number(f[2]);
        if (sel.window && (start < sel.window->from || start > sel.window->to))
            continue;
        if (f.size() < 4) {
            ++m.skipped;
            continue;
        }
        const std::int64_t duration = number(f[3]);
        if (duration == 0)
            continue;
        if (f.size() < 12) {
            ++m.skipped;
            continue;
        }
        ModelSession s{static_cast<std::size_t>(named - sel.line_names.begin()), f[1], f[4],
                       start, duration, 0, 0,
                       static_cast<std::int32_t>(static_cast<std::uint32_t>(number(f[5])))};
        for (int i = 6; i < 9; ++i)
            s.sent = add(s.sent, number(f[i]));
        for (int i = 9; i < 12; ++i)
            s.received = add(s.received, number(f[i]));
        ModelSystem& sys = m.systems[s.address];
        sys.online = add(sys.online, s.duration);
        sys.sent = add(sys.sent, s.sent);
        sys.received = add(sys.received, s.received);
        ++sys.sessions;
        if (s.flags.find('I') != std::string::npos) {
            ++sys.in_sessions;
            sys.in_online = add(sys.in_online, s.duration);
        }
        if (s.flags.find('O') != std::string::npos) {
            ++sys.out_sessions;
            sys.out_online = add(sys.out_online, s.duration);
        }
        m.sessions.push_back(s);
    }
    return m;
}

void require(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "mismatch: %s\n", what);
        std::abort();
    }
}

// The tool's reader, sums and order against the model.
void compare(int fd, const std::string& data, const Selection& sel)
{
    ::lseek(fd, 0, SEEK_SET);
    SessionTable table;
    ReadNotes notes;
    require(read_history(fd, sel, table, notes) == ReadStatus::ok, "read");
    const std::uint64_t skipped = notes.skipped;
    SystemTable systems = build_system_stats(table);
    sort_systems(systems);
    const Model m = model(data, sel);
    require(skipped == m.skipped, "skipped count");
    require(table.count == m.sessions.size(), "session count");
    SessionCursor cursor;
    Session s;
    for (const ModelSession& want : m.sessions) {
        require(next_session(table, cursor, s), "session missing");
        require(text_of(table.addresses, s.address) == want.address, "address");
        require(text_of(table.flags, s.flags) == want.flags, "flags");
        require(s.start == want.start && s.duration == want.duration, "start or duration");
        require(s.sent == want.sent && s.received == want.received, "bytes");
        require(s.error == want.error, "error number");
        require(s.line == want.line, "line");
    }
    require(!next_session(table, cursor, s), "session too many");
    require(systems.size() == m.systems.size(), "system count");
    std::size_t i = 0;
    for (const auto& [address, want] : m.systems) {
        const SystemStats& system = systems[i++];
        const Sums& got = system.sums;
        require(system.address == address, "system order");
        require(got.online == want.online && got.sessions == want.sessions, "system totals");
        require(got.sent == want.sent && got.received == want.received, "system bytes");
        require(got.out_sessions == want.out_sessions && got.out_online == want.out_online,
                "system outgoing");
        require(got.in_sessions == want.in_sessions && got.in_online == want.in_online,
                "system incoming");
    }

    // The summary alone sums each session as it comes, keeping none.
    ::lseek(fd, 0, SEEK_SET);
    SessionTable names;
    ReadNotes sink_notes;
    SystemSums sums;
    const SessionSink sink{[](void* sums, const SessionTable& table, const Session& s) {
                               add_session(*static_cast<SystemSums*>(sums), table, s);
                           },
                           &sums};
    require(read_history(fd, sel, names, sink_notes, sink) == ReadStatus::ok, "read to sink");
    sort_systems(sums.systems);
    require(sums.systems == systems, "sums as read");
    require(sums.sessions == table.count, "sessions as read");
    require(sink_notes.skipped == notes.skipped, "skipped as read");
}

std::string history_path;
int history_fd = -1;
int sink_fd = -1;
int report_fd = -1;

// Runs argv, which must succeed, and returns its report.
std::string report_of(const std::vector<const char*>& argv)
{
    if (::ftruncate(report_fd, 0) != 0 || ::lseek(report_fd, 0, SEEK_SET) != 0)
        std::abort();
    require(run(static_cast<int>(argv.size()), argv.data(), report_fd, sink_fd, fixed_clock) == 0,
            "run status");
    std::string report(static_cast<std::size_t>(::lseek(report_fd, 0, SEEK_END)), '\0');
    if (::pread(report_fd, report.data(), report.size(), 0) != static_cast<ssize_t>(report.size()))
        std::abort();
    return report;
}

// The lines of text, without their line feeds.
std::vector<std::string_view> lines_of(std::string_view text)
{
    std::vector<std::string_view> lines;
    for (std::size_t lf; (lf = text.find('\n')) != std::string_view::npos; text.remove_prefix(lf + 1))
        lines.push_back(text.substr(0, lf));
    return lines;
}

// The dated log shows each session's start as the JSON report's time does,
// date and time of day, or question marks where that time is null.
void compare_dates(const char* path)
{
    const std::string log = report_of({"qelmar", "--full-time", "-a", "tcpip", path});
    const std::string json = report_of({"qelmar", "--json", "-a", "tcpip", path});
    const std::string rule(73, '-');
    // The rows stand between the log's two rules.
    std::vector<std::string_view> rows;
    int rules = 0;
    for (const std::string_view line : lines_of(log)) {
        if (line == rule)
            ++rules;
        else if (rules == 1)
            rows.push_back(line);
    }
    require(rules == 2, "the dated log's rules");
    std::size_t row = 0;
    for (const std::string_view line : lines_of(json)) {
        if (!line.starts_with("{\"line\": "))
            continue;
        const std::size_t at = line.find(", \"time\": ");
        require(at != std::string_view::npos && row < rows.size(), "a session's time");
        std::string_view time = line.substr(at + 10);
        std::string want = "\?\?\?\?-\?\?-\?\? ??:??:?? ";
        if (!time.starts_with("null")) {
            time = time.substr(1, time.find('"', 1) - 1);
            const std::size_t t = time.find('T');
            want = std::string(time.substr(0, t)) + ' ' + std::string(time.substr(t + 1, 8)) + ' ';
        }
        require(rows[row++].starts_with(want), "the dated log's date and time");
    }
    require(row == rows.size(), "the dated log's rows");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // A zone with summer time, given as a rule, so that no zone file is needed.
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    const char* dir = std::getenv("TMPDIR");
    history_path = std::string(dir != nullptr ? dir : "/tmp") + "/qelmar-fuzz-XXXXXX";
    history_fd = ::mkstemp(history_path.data());
    sink_fd = ::open("/dev/null", O_WRONLY);
    std::string report_path = history_path + "-report-XXXXXX";
    report_fd = ::mkstemp(report_path.data());
    ::unlink(report_path.c_str());
    if (history_fd < 0 || sink_fd < 0 || report_fd < 0)
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    const std::string data(reinterpret_cast<const char*>(bytes), size);
    if (::ftruncate(history_fd, 0) != 0 || ::pwrite(history_fd, data.data(), size, 0) !=
                                                static_cast<ssize_t>(size))
        std::abort();

    // The whole file, the last 24 hours, and a period open at one end.
    const std::optional<TimeWindow> windows[] = {
        std::nullopt, TimeWindow{now - 86400, now}, TimeWindow{INT64_MIN, now - 3 * 86400}};
    for (const char* lines : {"tcpip", "tcpip,cuaa1"}) {
        for (const auto& window : windows) {
            Selection sel = select_lines(lines);
            sel.window = window;
            compare(history_fd, data, sel);
        }
    }

    const char* path = history_path.c_str();
    const std::vector<const char*> runs[] = {
        {"qelmar", "-a", "tcpip", path},
        {"qelmar", "-", "tcpip", path},
        {"qelmar", "--since=2026-11-20", "--until=2026-11-29T12:00", "--full-time", "tcpip", path},
        {"qelmar", "--json", "-a", "tcpip,cuaa1", path},
        {"qelmar", "--json", "--summary", "tcpip", path},
        {"qelmar", "--by=hour", "-a", "tcpip", path},
        {"qelmar", "--by=week", "--json", "--since=2026-11-20", "tcpip,cuaa1", path},
        {"qelmar", "--by=line", "-a", "tcpip,cuaa1,", path},
        {"qelmar", "--calls", "-a", "tcpip", path},
        {"qelmar", "--calls", "--json", "tcpip,cuaa1", path},
        {"qelmar", "--html", "-a", "tcpip,cuaa1", path},
        {"qelmar", "--html", "--since=2026-11-01", "tcpip", path},
    };
    // Bytes that start like compressed data are decompressed, and may well
    // be corrupt: then the run says it cannot read the file, status 1.
    const bool compressed = compression_of(data) != Compression::none;
    for (const auto& argv : runs) {
        const int status = run(static_cast<int>(argv.size()), argv.data(), sink_fd, sink_fd, fixed_clock);
        require(status == 0 || (compressed && status == 1), "run status");
    }
    if (compressed)
        return 0;
    compare_dates(path);
    // Two threads, reading the file in two parts, print what one prints.
    for (const auto& argv : runs) {
        std::vector<const char*> two = argv;
        two.insert(two.begin() + 1, "--threads=2");
        require(report_of(two) == report_of(argv), "two threads print what one prints");
    }
    return 0;
}
