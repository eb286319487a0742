// compressed.h - histories compressed by gzip, bzip2, xz or zstd, read as
// they lie on disk: decompressed on a thread of their own into a pipe that
// the reader reads like any other.
#pragma once

#include <cstddef>
#include <string_view>

enum class Compression { none, gzip, bzip2, xz, zstd };

// The most first bytes that compression_of looks at.
inline constexpr std::size_t signature_size = 10;

// The compression that the first bytes of a file show: a format is known
// by its whole signature, so that a plain history whose first line name
// starts like one (such as "BZh9") stays plain.
Compression compression_of(std::string_view first_bytes);

// Whether this build can decompress: it needs libarchive.
bool can_decompress();

// A decompression under way: the pipe it fills, and its thread.
struct Decompression {
    int fd = -1; // the pipe's read end, for the reader; -1 when none
    void* state = nullptr;
};

// Starts decompressing what first_bytes and then fd hold; false when it
// cannot start (no pipe, no thread, no libarchive).
bool start_decompression(int fd, std::string_view first_bytes, Decompression& d);

// Reads the pipe to its end, waits for the thread and frees what it held;
// false when the data was corrupt or cut short, or could not be read.
bool finish_decompression(Decompression& d);
