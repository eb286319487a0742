// writer.h - buffered report output on a file descriptor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

// "00" to "99", two bytes each.
inline constexpr char digit_pairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The system's writev, or a stand-in for it.
using WritevFunction = long (*)(int fd, const struct iovec* iov, int count);

// Writes the pieces to fd, in one call where the system takes them whole,
// without allocating. Goes on after a signal, and waits while a descriptor
// set not to block is full. False when a write fails or writes nothing.
bool write_all(int fd, std::string_view a, std::string_view b = {}, std::string_view c = {},
               WritevFunction write_pieces = nullptr);

// Writes value at p, right-justified in width columns with fill before
// it; returns the end. Writes at most the larger of width and 20 bytes.
char* format_uint(char* p, std::uint64_t value, std::size_t width, char fill);

// The widest column that texts are justified in cheaply.
inline constexpr std::size_t short_column = 16;

// Copies n bytes (at most short_column) from src to dst in two overlapping
// moves of a fixed size, which compile to plain loads and stores: a table
// row holds several short texts, and a library call for each costs more.
inline void copy_short(char* dst, const char* src, std::size_t n)
{
    if (n >= 8) {
        std::memcpy(dst, src, 8);
        std::memcpy(dst + n - 8, src + n - 8, 8);
    } else if (n >= 4) {
        std::memcpy(dst, src, 4);
        std::memcpy(dst + n - 4, src + n - 4, 4);
    } else if (n > 0) {
        dst[0] = src[0];
        dst[n / 2] = src[n / 2];
        dst[n - 1] = src[n - 1];
    }
}

// Collects report text in a fixed buffer and writes it out when full or on
// flush. The buffer is taken when the writer is made; putting text
// allocates nothing. The first failed write sticks: later output is
// dropped and flush reports the failure.
struct Writer {
    static constexpr std::size_t buffer_size = 64 * 1024;

    // terminal: show control characters in texts from the file, and bytes
    // that are not UTF-8, as '?'.
    explicit Writer(int fd, bool terminal = false)
        : fd(fd), terminal(terminal), capacity(buffer_size), storage(new char[buffer_size]),
          buf(storage.get())
    {
    }
    // Collects text in memory of size bytes and writes none out: whoever
    // puts text keeps it within the room. Text that would not fit is
    // dropped, and kept_all tells; debug builds stop there.
    Writer(char* memory, std::size_t size, bool terminal)
        : fd(-1), terminal(terminal), capacity(size), buf(memory)
    {
    }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    void put(std::string_view text)
    {
        if (text.size() <= capacity - used) {
            std::memcpy(buf + used, text.data(), text.size());
            used += text.size();
        } else {
            put_long(text);
        }
    }
    void put(char c)
    {
        if (used == capacity)
            flush();
        buf[used++] = c;
    }
    // Room for n bytes, n at most buffer_size, flushing first if need be.
    // Write into it, then commit where the writing ended.
    char* room(std::size_t n)
    {
        if (capacity - used < n)
            flush();
        return buf + used;
    }
    void commit(char* end) { used = static_cast<std::size_t>(end - buf); }
    // Unsigned number right-justified in width columns (at most 20),
    // blank-filled.
    void put_uint(std::uint64_t value, std::size_t width)
    {
        commit(format_uint(room(20), value, width, ' '));
    }
    // Signed number, exactly, in as few columns as it takes.
    void put_int(std::int64_t value)
    {
        if (value < 0)
            put('-');
        put_uint(value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value), 1);
    }
    // Text from the history file, left-justified in width columns.
    void put_field_left(std::string_view text, std::size_t width)
    {
        if (!fits_short(text, width)) {
            put_field_left_long(text, width);
            return;
        }
        char* out = blank_short();
        copy_short(out, text.data(), text.size());
        used += width;
    }
    // Text from the history file, right-justified in width columns.
    void put_field_right(std::string_view text, std::size_t width)
    {
        if (!fits_short(text, width)) {
            put_field_right_long(text, width);
            return;
        }
        char* out = blank_short();
        copy_short(out + width - text.size(), text.data(), text.size());
        used += width;
    }
    // Writes out what is held; false if any write has failed.
    bool flush();
    // Whether every text put so far is held or written out.
    bool kept_all() const { return !failed; }
    // Whether texts from the file are shown as on a terminal.
    bool shows_terminal() const { return terminal; }
    // What is held and not yet written.
    std::string_view pending() const { return {buf, used}; }

private:
    // Whether text goes out as it stands, in a short column that fits.
    bool fits_short(std::string_view text, std::size_t width) const
    {
        return !terminal && text.size() <= width && width <= short_column &&
               short_column <= capacity - used;
    }
    // Blanks out a short column's room; returns where it starts.
    char* blank_short()
    {
        char* out = buf + used;
        std::memcpy(out, "                ", short_column);
        return out;
    }
    void put_field_left_long(std::string_view text, std::size_t width);
    void put_field_right_long(std::string_view text, std::size_t width);

    int fd;
    bool terminal;
    bool failed = false;
    std::size_t capacity; // of the buffer
    std::size_t used = 0;
    // Taken once, when the writer is made. On the heap, so that the
    // program runs in a small stack.
    std::unique_ptr<char[]> storage;
    char* buf;

    void put_fill(char fill, std::size_t n);
    // What text takes once shown: on a terminal, controls become '?'.
    std::size_t shown_size(std::string_view text) const;
    void put_field(std::string_view text);
    void put_long(std::string_view text);
    void write_out(const char* p, std::size_t n);
};
