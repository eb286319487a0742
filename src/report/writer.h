// writer.h - buffered report output on a file descriptor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Collects report text in a fixed buffer and writes it out when full or on
// flush. It never allocates. The first failed write sticks: later output
// is dropped and flush reports the failure.
struct Writer {
    static constexpr std::size_t capacity = 64 * 1024;

    // terminal: show control bytes of texts from the file as '?'.
    explicit Writer(int fd, bool terminal = false) : fd(fd), terminal(terminal) {}
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    void put(std::string_view text);
    void put(char c);
    // Unsigned number right-justified in width columns, blank-filled.
    void put_uint(std::uint64_t value, int width);
    // Unsigned number of at least digits digits, zero-filled.
    void put_digits(std::uint64_t value, int digits);
    // Text from the history file, left-justified in width columns.
    void put_field_left(std::string_view text, std::size_t width);
    // Text from the history file, right-justified in width columns.
    void put_field_right(std::string_view text, std::size_t width);
    // Writes out what is held; false if any write has failed.
    bool flush();
    // What is held and not yet written.
    std::string_view pending() const { return {buf, used}; }

    int fd;
    bool terminal;
    bool failed = false;
    std::size_t used = 0;
    char buf[capacity];

private:
    void put_blanks(std::size_t n);
    void put_field(std::string_view text);
    void write_out(const char* p, std::size_t n);
};
