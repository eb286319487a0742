// read_buffer.h - the bytes of a history file, read in large blocks.
#pragma once

#include "history/cpu.h"

#include <bit>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

// Data read from a file, at the front of a block that doubles when a line
// outgrows it. Zeroed bytes follow the data, so that a scan may load reach
// bytes from any place in the data at once.
struct ReadBuffer {
    static constexpr std::size_t reach = 64;

    std::unique_ptr<char[]> storage; // capacity + reach bytes
    std::size_t capacity = 0;        // room for data
    std::size_t size = 0;            // bytes of data held

    const char* data() const { return storage.get(); }
    const char* end() const { return storage.get() + size; }
};

// An empty buffer with room for capacity bytes.
ReadBuffer make_read_buffer(std::size_t capacity);

// Adds bytes after the data; there must be room for them.
void append(ReadBuffer& buffer, std::string_view bytes);

// Doubles the room, keeping the data.
void grow(ReadBuffer& buffer);

// Reads up to size bytes from fd into p, going on after a signal and
// waiting where fd is set not to block and has nothing yet. Returns the
// number read: 0 at the end of the file, -1 when reading fails.
long read_some(int fd, char* p, std::size_t size);

// Reads what fd gives into the room after the data held, which must not be
// full; waits where fd is set not to block and has nothing yet. Returns the
// number of bytes read: 0 at the end of the file, -1 when reading fails.
long read_more(ReadBuffer& buffer, int fd);

// Reads up to size bytes at offset of the file fd into p, going on after a
// signal. Returns the number read: 0 at the end of the file, -1 when
// reading fails.
long read_some_at(int fd, char* p, std::size_t size, std::uint64_t offset);

// The same for at most most bytes at offset of the file fd, which must not
// be fd's end; fd's own place is neither used nor moved.
long read_more_at(ReadBuffer& buffer, int fd, std::uint64_t offset, std::size_t most);

// Drops the first n bytes of data, moving the rest to the front.
void drop_front(ReadBuffer& buffer, std::size_t n);

// Keeps only the first n bytes of data.
void keep_front(ReadBuffer& buffer, std::size_t n);

// Drops the bytes of data from from up to before to.
void drop_middle(ReadBuffer& buffer, std::size_t from, std::size_t to);

// The bytes from p on, for a load of width bytes: p must be a place in the
// data, and the zeroed bytes after it keep the load inside the block.
template <std::size_t width>
const unsigned char* wide_load(const ReadBuffer& buffer, const char* p)
{
    static_assert(width <= ReadBuffer::reach);
    assert(p >= buffer.data() && p < buffer.end());
    (void)buffer;
    return reinterpret_cast<const unsigned char*>(p);
}

// The line feeds of a buffer's data from some place on, found reach bytes
// at a time: one look serves every line that ends in those bytes, where a
// search per line would start again for each. Plain twin: std::memchr.
struct LineFeeds {
    const ReadBuffer& buffer;
    const char* marked;  // the first of the bytes looked at last
    std::uint64_t feeds; // bit i: a line feed at marked + i, not yet handed out
};

// The line feeds at or after from, a place in the buffer's data or its end.
inline LineFeeds line_feeds(const ReadBuffer& buffer, const char* from)
{
    return {buffer, from, 0};
}

// The place after the next line feed; null when the data holds no more.
inline const char* next_line_end(LineFeeds& f)
{
    constexpr std::size_t width = ReadBuffer::reach;
    const char* end = f.buffer.end();
    while (f.feeds == 0) {
        if (f.marked >= end)
            return nullptr;
        const auto left = static_cast<std::size_t>(end - f.marked);
        f.feeds = cpu::feeds64(wide_load<width>(f.buffer, f.marked));
        if (left < width)
            f.feeds &= (std::uint64_t{1} << left) - 1;
        if (f.feeds == 0)
            f.marked += width;
    }
    const char* after = f.marked + std::countr_zero(f.feeds) + 1;
    f.feeds &= f.feeds - 1;
    if (f.feeds == 0)
        f.marked += width;
    return after;
}
