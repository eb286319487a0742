// writer.cpp - buffered report output on a file descriptor.
#include "report/writer.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <unistd.h>

void Writer::write_out(const char* p, std::size_t n)
{
    while (n > 0 && !failed) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            failed = true;
        } else {
            p += w;
            n -= static_cast<std::size_t>(w);
        }
    }
}

bool Writer::flush()
{
    write_out(buf, used);
    used = 0;
    return !failed;
}

void Writer::put(std::string_view text)
{
    if (text.size() > capacity - used) {
        flush();
        if (text.size() > capacity) {
            write_out(text.data(), text.size());
            return;
        }
    }
    std::memcpy(buf + used, text.data(), text.size());
    used += text.size();
}

void Writer::put(char c)
{
    if (used == capacity)
        flush();
    buf[used++] = c;
}

void Writer::put_blanks(std::size_t n)
{
    static constexpr std::string_view blanks = "                                ";
    while (n > 0) {
        const std::size_t k = n < blanks.size() ? n : blanks.size();
        put(blanks.substr(0, k));
        n -= k;
    }
}

void Writer::put_uint(std::uint64_t value, int width)
{
    char digits[24];
    const auto r = std::to_chars(digits, digits + sizeof digits, value);
    const auto n = static_cast<int>(r.ptr - digits);
    if (n < width)
        put_blanks(static_cast<std::size_t>(width - n));
    put(std::string_view(digits, static_cast<std::size_t>(n)));
}

void Writer::put_digits(std::uint64_t value, int min_digits)
{
    char digits[24];
    const auto r = std::to_chars(digits, digits + sizeof digits, value);
    const auto n = static_cast<int>(r.ptr - digits);
    for (int i = n; i < min_digits; ++i)
        put('0');
    put(std::string_view(digits, static_cast<std::size_t>(n)));
}

void Writer::put_field(std::string_view text)
{
    if (!terminal) {
        put(text);
        return;
    }
    // On a terminal, a control byte could start an escape sequence.
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        put(u < 0x20 || u == 0x7f ? '?' : c);
    }
}

void Writer::put_field_left(std::string_view text, std::size_t width)
{
    put_field(text);
    if (text.size() < width)
        put_blanks(width - text.size());
}

void Writer::put_field_right(std::string_view text, std::size_t width)
{
    if (text.size() < width)
        put_blanks(width - text.size());
    put_field(text);
}
