// read_buffer.h - the bytes of a history file, read in large blocks.
#pragma once

#include <cassert>
#include <cstddef>
#include <memory>

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

// Reads what fd gives after the data held, doubling the room first when it
// is full. Returns the number of bytes read: 0 at the end of the file, -1
// when reading fails.
long read_more(ReadBuffer& buffer, int fd);

// Drops the first n bytes of data, moving the rest to the front.
void drop_front(ReadBuffer& buffer, std::size_t n);

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
