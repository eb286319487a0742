// read_buffer.cpp - the bytes of a history file, read in large blocks.
#include "history/read_buffer.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <poll.h>
#include <unistd.h>

namespace {

// Zeroes the bytes a wide load may read after the data.
void clear_reach(ReadBuffer& buffer)
{
    std::memset(buffer.storage.get() + buffer.size, 0, ReadBuffer::reach);
}

} // namespace

ReadBuffer make_read_buffer(std::size_t capacity)
{
    ReadBuffer buffer;
    // Left unfilled beyond the reach: pages are touched only as data arrives.
    buffer.storage.reset(new char[capacity + ReadBuffer::reach]);
    buffer.capacity = capacity;
    clear_reach(buffer);
    return buffer;
}

void append(ReadBuffer& buffer, std::string_view bytes)
{
    assert(bytes.size() <= buffer.capacity - buffer.size);
    if (bytes.empty())
        return; // an empty view may have no data to copy from
    std::memcpy(buffer.storage.get() + buffer.size, bytes.data(), bytes.size());
    buffer.size += bytes.size();
    clear_reach(buffer);
}

void grow(ReadBuffer& buffer)
{
    ReadBuffer larger = make_read_buffer(buffer.capacity * 2);
    std::memcpy(larger.storage.get(), buffer.data(), buffer.size);
    larger.size = buffer.size;
    clear_reach(larger);
    buffer = std::move(larger);
}

long read_some(int fd, char* p, std::size_t size)
{
    for (;;) {
        const ssize_t n = ::read(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        // A descriptor set not to block, with nothing to read yet: wait.
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd wait{fd, POLLIN, 0};
            if (::poll(&wait, 1, -1) >= 0 || errno == EINTR)
                continue;
        }
        return n < 0 ? -1 : static_cast<long>(n);
    }
}

long read_some_at(int fd, char* p, std::size_t size, std::uint64_t offset)
{
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()))
        return 0;
    for (;;) {
        const ssize_t n = ::pread(fd, p, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 ? -1 : static_cast<long>(n);
    }
}

long read_more(ReadBuffer& buffer, int fd)
{
    assert(buffer.size < buffer.capacity);
    const long n = read_some(fd, buffer.storage.get() + buffer.size, buffer.capacity - buffer.size);
    if (n > 0) {
        buffer.size += static_cast<std::size_t>(n);
        clear_reach(buffer);
    }
    return n;
}

long read_more_at(ReadBuffer& buffer, int fd, std::uint64_t offset, std::size_t most)
{
    assert(most > 0 && most <= buffer.capacity - buffer.size);
    const long n = read_some_at(fd, buffer.storage.get() + buffer.size, most, offset);
    if (n > 0) {
        buffer.size += static_cast<std::size_t>(n);
        clear_reach(buffer);
    }
    return n;
}

void keep_front(ReadBuffer& buffer, std::size_t n)
{
    assert(n <= buffer.size);
    buffer.size = n;
    clear_reach(buffer);
}

void drop_middle(ReadBuffer& buffer, std::size_t from, std::size_t to)
{
    assert(from <= to && to <= buffer.size);
    std::memmove(buffer.storage.get() + from, buffer.data() + to, buffer.size - to);
    buffer.size -= to - from;
    clear_reach(buffer);
}

void drop_front(ReadBuffer& buffer, std::size_t n)
{
    drop_middle(buffer, 0, n);
}
