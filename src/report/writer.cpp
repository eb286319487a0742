// writer.cpp - buffered report output on a file descriptor.
#include "report/writer.h"

#include "report/shown_text.h"

#include <cassert>
#include <cerrno>
#include <poll.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

long system_writev(int fd, const iovec* iov, int count)
{
    return ::writev(fd, iov, count);
}

// Waits until fd can take more; false if it never will.
bool wait_writable(int fd)
{
    pollfd p{fd, POLLOUT, 0};
    for (;;) {
        const int n = ::poll(&p, 1, -1);
        if (n > 0)
            return (p.revents & POLLOUT) != 0 || (p.revents & POLLERR) == 0;
        if (n < 0 && errno != EINTR)
            return false;
    }
}

} // namespace

bool write_all(int fd, std::string_view a, std::string_view b, std::string_view c,
               WritevFunction write_pieces)
{
    if (write_pieces == nullptr)
        write_pieces = system_writev;
    std::string_view parts[] = {a, b, c};
    std::size_t first = 0;
    while (first < 3 && parts[first].empty())
        ++first;
    while (first < 3) {
        iovec iov[3];
        int n = 0;
        for (std::size_t i = first; i < 3; ++i)
            iov[n++] = {const_cast<char*>(parts[i].data()), parts[i].size()};
        const long w = write_pieces(fd, iov, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!wait_writable(fd))
                return false;
            continue;
        }
        if (w <= 0)
            return false; // a write of nothing would be tried again forever
        // Drop what was written, possibly in the middle of a piece.
        auto left = static_cast<std::size_t>(w);
        while (first < 3 && left >= parts[first].size())
            left -= parts[first++].size();
        if (first < 3)
            parts[first].remove_prefix(left);
        while (first < 3 && parts[first].empty())
            ++first;
    }
    return true;
}

void Writer::write_out(const char* p, std::size_t n)
{
    // A writer into memory that has to write out has outgrown its room.
    assert(storage != nullptr && "text outgrew a writer's memory");
    if (!failed && !write_all(fd, std::string_view(p, n)))
        failed = true;
}

bool Writer::flush()
{
    write_out(buf, used);
    used = 0;
    return !failed;
}

void Writer::put_long(std::string_view text)
{
    flush();
    if (text.size() > capacity) {
        write_out(text.data(), text.size());
        return;
    }
    std::memcpy(buf, text.data(), text.size());
    used = text.size();
}

void Writer::put_fill(char fill, std::size_t n)
{
    while (n > 0) {
        if (used == capacity)
            flush();
        const std::size_t k = n < capacity - used ? n : capacity - used;
        std::memset(buf + used, fill, k);
        used += k;
        n -= k;
    }
}

namespace {

// Number of decimal digits of value.
std::size_t digit_count(std::uint64_t value)
{
    std::size_t n = 1;
    for (;;) {
        if (value < 10)
            return n;
        if (value < 100)
            return n + 1;
        if (value < 1000)
            return n + 2;
        if (value < 10000)
            return n + 3;
        value /= 10000;
        n += 4;
    }
}

// Writes the digits of value so that they end just before end.
void write_digits(char* end, std::uint64_t value)
{
    while (value >= 100) {
        const auto i = static_cast<std::size_t>(value % 100) * 2;
        value /= 100;
        *--end = digit_pairs[i + 1];
        *--end = digit_pairs[i];
    }
    if (value >= 10) {
        const auto i = static_cast<std::size_t>(value) * 2;
        *--end = digit_pairs[i + 1];
        *--end = digit_pairs[i];
    } else {
        *--end = static_cast<char>('0' + value);
    }
}

} // namespace

char* format_uint(char* p, std::uint64_t value, std::size_t width, char fill)
{
    const std::size_t n = digit_count(value);
    if (width <= 8) { // eight bytes of fill at once, the digits laid over them
        std::memcpy(p, fill == ' ' ? "        " : "00000000", 8);
        const std::size_t total = n < width ? width : n;
        write_digits(p + total, value);
        return p + total;
    }
    if (n < width) {
        std::memset(p, fill, width - n);
        p += width - n;
    }
    write_digits(p + n, value);
    return p + n;
}


std::size_t Writer::shown_size(std::string_view text) const
{
    if (!terminal)
        return text.size();
    std::size_t n = 0;
    for_each_shown(text, [&](std::string_view piece) { n += piece.size(); });
    return n;
}

void Writer::put_field(std::string_view text)
{
    if (!terminal) {
        put(text);
        return;
    }
    for_each_shown(text, [&](std::string_view piece) { put(piece); });
}

void Writer::put_field_left_long(std::string_view text, std::size_t width)
{
    const std::size_t n = text.size();
    const std::size_t total = n < width ? width : n;
    if (!terminal && total <= capacity - used) {
        char* out = buf + used;
        std::memcpy(out, text.data(), text.size());
        std::memset(out + text.size(), ' ', total - text.size());
        used += total;
        return;
    }
    const std::size_t shown = shown_size(text);
    put_field(text);
    if (shown < width)
        put_fill(' ', width - shown);
}

void Writer::put_field_right_long(std::string_view text, std::size_t width)
{
    const std::size_t shown = shown_size(text);
    if (shown < width)
        put_fill(' ', width - shown);
    put_field(text);
}
