// messages.cpp - what the tool tells besides the report: the usage text,
// the help, the errors of a command line and the notices after a report.
//
// Messages also follow the report, when nothing may need memory: they are
// built on the stack and written at once.
#include "app/messages.h"

#include "app/when.h"
#include "stats/order.h"
#include "report/shown_text.h"
#include "report/writer.h"

#include <charconv>
#include <sys/stat.h>
#include <string>

namespace {

// Release date printed beside the version in the usage text.
constexpr std::string_view release_date = "05-06-02";

// Messages gathered on the stack and written a few thousand bytes at a
// time: a long list of lines may have a notice for each.
struct MessageBuffer {
    int fd;
    char bytes[4096];
    std::size_t used = 0;

    void flush()
    {
        if (used > 0)
            put_message(fd, std::string_view(bytes, used));
        used = 0;
    }
    void add(std::string_view a, std::string_view b, std::string_view c)
    {
        if (a.size() + b.size() + c.size() > sizeof bytes - used)
            flush();
        if (a.size() + b.size() + c.size() > sizeof bytes) {
            put_message(fd, a, b, c);
            return;
        }
        for (const std::string_view piece : {a, b, c}) {
            piece.copy(bytes + used, piece.size());
            used += piece.size();
        }
    }
};

// The names of the units, parted by ", " and before the last by last:
// "hour, day, ..., year, line" or "... year or line". buf holds 80 bytes.
std::string_view unit_list(char* buf, std::string_view last)
{
    std::size_t n = 0;
    const auto add = [&](std::string_view text) {
        text.copy(buf + n, text.size());
        n += text.size();
    };
    const std::size_t count = std::size(unit_names);
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            add(i + 1 < count ? std::string_view(", ") : last);
        add(unit_names[i].name);
    }
    return {buf, n};
}

// A count in decimal digits, in buf of 24 bytes.
std::string_view decimal(char* buf, std::uint64_t n)
{
    const auto r = std::to_chars(buf, buf + 24, n);
    return {buf, static_cast<std::size_t>(r.ptr - buf)};
}

} // namespace

void put_message(int fd, std::string_view a, std::string_view b, std::string_view c)
{
    write_all(fd, a, b, c);
}

void print_usage(Writer& out)
{
    out.put(version_text);
    out.put(' ');
    out.put(release_date);
    out.put(" by the Qelmar authors\n"
            "Usage: qelmar [-a] name_line hist_file\n"
            "Example: qelmar cuaa1 /var/spool/ftn/history\n"
            "  name_line - name line, cuaa1 or ttyS1 or tcpip or other.\n"
            "  -a        - statistics for all hist_file current name_line.\n");
}

// The usage text, a line for each long option, and the forms of WHEN.
void print_help(Writer& out)
{
    print_usage(out);
    out.put("  name_line may be a comma list of lines: tcpip,ttyS1.\n"
            "  hist_file may be - for the standard input.\n"
            "  --all        - the same as -a, anywhere on the command line.\n"
            "  --since=WHEN - only sessions that started at WHEN or later.\n"
            "  --until=WHEN - only sessions that started at WHEN or earlier.\n"
            "  --full-time  - the date of each session in the log, with the time.\n"
            "  --summary    - the summary table alone.\n"
            "  --json       - the report as one JSON document.\n"
            "  --by=UNIT    - traffic by ");
    char units[80];
    out.put(unit_list(units, " or "));
    out.put(", in place of the tables.\n"
            "  --calls      - each system's calls, failed calls and latest good call.\n"
            "  --files      - [-a] name_line hist_file...: several files as one history.\n"
            "  --html       - the report as one HTML page with a chart; --by sets its unit.\n"
            "  --threads=N  - N threads for a large file; by default one per processor.\n"
            "  --csv        - the rows of the view as one CSV table.\n"
            "  --metrics    - counters of the whole history for Prometheus.\n"
            "  --sort=KEY   - the rows of the tables by a column, largest first.\n"
            "  --top=N      - the first N rows of the tables, and the rest as one.\n"
            "  --address=PAT - only the systems whose address matches PAT, a shell\n"
            "                  pattern (* ? [...]); a comma list or the option again: any.\n"
            "  --help       - this text.\n"
            "  --version    - the version.\n"
            "  A value may also follow its option as the next argument: --since WHEN.\n"
            "  WHEN: ");
    out.put(when_forms);
    out.put(".\n");
}

// Tells why the command line cannot be followed.
void print_bad_argument(int fd, const BadArgument& bad)
{
    switch (bad.kind) {
    case BadArgument::Kind::unknown_option:
        put_message(fd, "Unknown option '", bad.text, "'.\n");
        break;
    case BadArgument::Kind::missing_value:
        put_message(fd, "Missing value in '", bad.text, "'.\n");
        break;
    case BadArgument::Kind::invalid_time:
        put_message(fd, "Invalid time '", bad.text, "'.\n");
        put_message(fd, "Times: ", when_forms, ".\n");
        break;
    case BadArgument::Kind::invalid_unit: {
        char units[80];
        put_message(fd, "Invalid unit '", bad.text, "'.\n");
        put_message(fd, "Units: ", unit_list(units, ", "), ".\n");
        break;
    }
    case BadArgument::Kind::invalid_threads: {
        char most[24];
        put_message(fd, "Invalid thread count '", bad.text, "': 1 to ");
        put_message(fd, decimal(most, most_threads), ".\n");
        break;
    }
    case BadArgument::Kind::invalid_top: {
        char most[24];
        put_message(fd, "Invalid top count '", bad.text, "': 1 to ");
        put_message(fd, decimal(most, most_top_rows), ".\n");
        break;
    }
    case BadArgument::Kind::invalid_sort_key: {
        put_message(fd, "Invalid sort key '", bad.text, "'.\n");
        MessageBuffer keys{fd, {}};
        for (std::size_t i = 0; i < bad.choices.size(); ++i)
            keys.add(i == 0 ? "Sort keys: " : ", ", bad.choices[i], {});
        keys.add(".\n", {}, {});
        keys.flush();
        break;
    }
    case BadArgument::Kind::invalid_address:
        put_message(fd, "Invalid address pattern '", bad.text, "'.\n");
        break;
    case BadArgument::Kind::cannot_combine:
        put_message(fd, "Options '", bad.text, "' and '");
        put_message(fd, bad.other, "' cannot be combined.\n");
        break;
    case BadArgument::Kind::empty_period:
        put_message(fd, "Empty period: '", bad.text, "' is after '");
        put_message(fd, bad.other, "'.\n");
        break;
    }
}

// Tells of each argument that the classic rules pass over.
void print_ignored(int fd, const std::vector<std::string_view>& ignored)
{
    for (const std::string_view arg : ignored)
        put_message(fd, "Ignored argument '", arg, "'.\n");
}

void print_files_hint(int fd, const RunOptions& opts)
{
    if (opts.files)
        return;
    const auto is_file = [](std::string_view arg) {
        struct stat st;
        return std::string(arg).find('\0') == std::string::npos && ::stat(std::string(arg).c_str(), &st) == 0 &&
               !S_ISDIR(st.st_mode);
    };
    bool named = is_file(opts.line_name);
    for (const std::string_view arg : opts.ignored)
        named = named || is_file(arg);
    if (named)
        put_message(fd, "To read several files as one history, give --files.\n");
}

void print_ignored_options(int fd, const std::vector<std::pair<std::string_view, std::string_view>>& ignored)
{
    for (const auto& [option, with] : ignored) {
        MessageBuffer notice{fd, {}};
        notice.add("Ignored option '", option, "': it has no effect with '");
        notice.add(with, "'.\n", {});
        notice.flush();
    }
}

// Tells how many history lines were left out for lack of fields.
void print_skipped(int fd, std::uint64_t skipped)
{
    char digits[24];
    put_message(fd, "Skipped ", decimal(digits, skipped),
                skipped == 1 ? " incomplete history line.\n" : " incomplete history lines.\n");
}

// Tells of each selected line that no line of the file names, and then
// which lines the file does name.
void print_unnamed_lines(int fd, const Selection& sel, const ReadNotes& notes, bool several_files)
{
    bool any = false;
    MessageBuffer notices{fd, {}};
    const std::size_t given = sel.line_names.size();
    for (std::size_t i = 0; i < given + sel.line_patterns.size(); ++i) {
        if (!notes.named[i]) {
            notices.add(several_files ? "No line of the files names '" : "No line of the file names '",
                        i < given ? sel.line_names[i] : sel.line_patterns[i - given], "'.\n");
            any = true;
        }
    }
    notices.flush();
    if (!any || notes.names_in_file.empty())
        return;
    // Built on the stack: nothing after the report may need memory.
    constexpr std::string_view head = "Lines in the file: ", end = ".\n";
    char list[head.size() + listed_names * (longest_listed_name + 2) + 8];
    // The longest list: every name listed at its longest, each but the
    // first after ", ", then ", ..." and a line feed.
    static_assert(sizeof list >= head.size() + listed_names * longest_listed_name +
                                     (listed_names - 1) * 2 + 5 + 1);
    std::size_t n = 0;
    const auto add = [&](std::string_view text) {
        text.copy(list + n, text.size());
        n += text.size();
    };
    add(head);
    for (std::size_t i = 0; i < notes.names_in_file.size(); ++i) {
        if (i > 0)
            add(", ");
        add(i < listed_names ? std::string_view(notes.names_in_file[i]) : "...");
    }
    add(notes.names_in_file.size() <= listed_names ? end : std::string_view("\n"));
    put_message(fd, std::string_view(list, n));
}


void print_unmatched_addresses(int fd, const Selection& sel, const ReadNotes& notes,
                               bool several_files)
{
    MessageBuffer notices{fd, {}};
    for (std::size_t i = 0; i < sel.address_patterns.size(); ++i)
        if (i >= notes.matched.size() || !notes.matched[i])
            notices.add(several_files ? "No address of the files matches '"
                                      : "No address of the file matches '",
                        sel.address_patterns[i], "'.\n");
    notices.flush();
}

void print_failed_calls(int fd, const FailedCalls& calls, bool terminal)
{
    if (calls.failed == 0)
        return;
    std::uint64_t no_good = 0;
    for (const CallReach& c : calls.systems)
        if (!c.good)
            ++no_good;
    char failed[24], all[24], systems[24];
    MessageBuffer notice{fd, {}};
    notice.add("Failed calls: ", decimal(failed, calls.failed), " of ");
    notice.add(decimal(all, calls.calls), no_good == 0 ? "." : "; no good call from ", {});
    if (no_good > 0)
        notice.add(decimal(systems, no_good), no_good == 1 ? " system." : " systems.", {});
    notice.add("\n", {}, {});
    if (no_good == 0) {
        notice.flush();
        return;
    }
    constexpr std::uint64_t named = 20;
    std::uint64_t listed = 0;
    for (const CallReach& c : calls.systems) {
        if (c.good)
            continue;
        if (listed == named)
            break;
        notice.add(listed == 0 ? "No good call from: " : ", ", {}, {});
        if (terminal)
            for_each_shown(c.address, [&](std::string_view piece) { notice.add(piece, {}, {}); });
        else
            notice.add(c.address, {}, {});
        ++listed;
    }
    char more[24];
    if (no_good > named)
        notice.add(" and ", decimal(more, no_good - named), " more");
    notice.add(".\n", {}, {});
    notice.flush();
}
