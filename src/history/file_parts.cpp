// file_parts.cpp - a plain history file split at line feeds.
#include "history/file_parts.h"

#include "history/compressed.h"
#include "history/read_buffer.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>
#include <sys/stat.h>

namespace {

constexpr std::size_t look_size = 64 * 1024;

// The place right after the first line feed at or after from and before
// size; none when there is none or reading fails.
std::optional<std::uint64_t> after_line_feed(int fd, std::uint64_t from, std::uint64_t size,
                                             char* look)
{
    while (from < size) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(look_size, size - from));
        const long n = read_some_at(fd, look, want, from);
        if (n <= 0)
            return std::nullopt;
        if (const void* feed = std::memchr(look, '\n', static_cast<std::size_t>(n)))
            return from + static_cast<std::uint64_t>(static_cast<const char*>(feed) - look) + 1;
        from += static_cast<std::uint64_t>(n);
    }
    return std::nullopt;
}

} // namespace

std::vector<FileRange> split_history(int fd, std::size_t parts, std::uint64_t least_bytes)
{
    struct stat st;
    if (parts < 2 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0)
        return {};
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (least_bytes > 0)
        parts = static_cast<std::size_t>(std::min<std::uint64_t>(parts, size / least_bytes));
    if (parts < 2)
        return {};
    char first[signature_size];
    const long got = read_some_at(fd, first, sizeof first, 0);
    if (got < 0 || compression_of(std::string_view(first, static_cast<std::size_t>(got))) != Compression::none)
        return {};
    const std::unique_ptr<char[]> look(new char[look_size]);
    std::vector<FileRange> ranges{{0, std::nullopt}};
    for (std::size_t k = 1; k < parts; ++k) {
        // A line begins right after a line feed: the first one at or after
        // the place that an even split gives, less one, begins this part.
        const std::uint64_t even = size / parts * k + size % parts * k / parts;
        if (even - 1 < ranges.back().from)
            continue; // a long line spans this place too
        const auto begin = after_line_feed(fd, even - 1, size, look.get());
        // Past the last line feed the rest is one part: an unfinished line
        // there may still be growing.
        if (!begin)
            break;
        ranges.back().to = *begin;
        ranges.push_back({*begin, std::nullopt});
    }
    if (ranges.size() < 2)
        return {};
    return ranges;
}
