// file_parts.h - a plain history file split at line feeds, so that several
// threads can read it at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// A stretch of a file: its bytes from from up to before to, or up to the
// end of the file, however far it has grown, where to is none.
struct FileRange {
    std::uint64_t from = 0;
    std::optional<std::uint64_t> to;
};

// Splits the history file fd into at most parts ranges of about equal
// size, each but the last ending right after a line feed, so that every
// line lies whole in one of them; the last runs to the end of the file.
// A range is at least least_bytes long. Empty when the file is to be read
// as one stream: it is not a regular file, it is compressed, it is too
// small for two ranges, or reading it fails (the stream's reading then
// says so).
std::vector<FileRange> split_history(int fd, std::size_t parts, std::uint64_t least_bytes);
