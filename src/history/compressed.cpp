// compressed.cpp - histories compressed by gzip, bzip2, xz or zstd, read as
// they lie on disk.
#include "history/compressed.h"

#include "history/read_buffer.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

#ifdef QELMAR_LIBARCHIVE
#include <archive.h>
#include <archive_entry.h>
#include <dlfcn.h>
#include <system_error>
#include <thread>
#endif

namespace {

bool starts_with_bytes(std::string_view text, std::string_view bytes)
{
    return text.substr(0, bytes.size()) == bytes;
}

} // namespace

Compression compression_of(std::string_view b)
{
    using namespace std::string_view_literals;
    // gzip: its magic and the deflate method.
    if (starts_with_bytes(b, "\x1f\x8b\x08"sv))
        return Compression::gzip;
    // xz: the stream header magic.
    if (starts_with_bytes(b, "\xfd\x37\x7a\x58\x5a\x00"sv))
        return Compression::xz;
    // zstd: the frame magic.
    if (starts_with_bytes(b, "\x28\xb5\x2f\xfd"sv))
        return Compression::zstd;
    // bzip2: "BZh", a block size, then the magic of a first block or of
    // the end of an empty stream.
    if (b.size() >= 10 && starts_with_bytes(b, "BZh"sv) && b[3] >= '1' && b[3] <= '9' &&
        (b.substr(4, 6) == "\x31\x41\x59\x26\x53\x59"sv || b.substr(4, 6) == "\x17\x72\x45\x38\x50\x90"sv))
        return Compression::bzip2;
    return Compression::none;
}

#ifdef QELMAR_LIBARCHIVE

namespace {

// The calls of libarchive that decompressing needs. The library is loaded
// only when a compressed file is met: it brings a dozen libraries of its
// own, which every run of a plain file would otherwise load.
struct ArchiveCalls {
    void* library = nullptr;
    decltype(&archive_read_new) read_new;
    decltype(&archive_read_support_filter_gzip) support_gzip;
    decltype(&archive_read_support_filter_bzip2) support_bzip2;
    decltype(&archive_read_support_filter_xz) support_xz;
    decltype(&archive_read_support_filter_zstd) support_zstd;
    decltype(&archive_read_support_format_raw) support_raw;
    decltype(&archive_read_support_format_empty) support_empty;
    decltype(&archive_read_open) open;
    decltype(&archive_read_next_header) next_header;
    decltype(&archive_read_data_block) read_block;
    decltype(&archive_filter_count) filter_count;
    decltype(&archive_filter_code) filter_code;
    decltype(&archive_set_error) set_error;
    decltype(&archive_read_free) free;
};

// Finds one call by its name; false when the library lacks it.
template <class Call>
bool find_call(void* library, const char* name, Call& call)
{
    call = reinterpret_cast<Call>(::dlsym(library, name));
    return call != nullptr;
}

// Loads libarchive by the name it was built against; false when it cannot.
bool load_archive_calls(ArchiveCalls& c)
{
    c.library = ::dlopen(QELMAR_LIBARCHIVE_NAME, RTLD_NOW | RTLD_LOCAL);
    if (c.library == nullptr)
        return false;
    if (find_call(c.library, "archive_read_new", c.read_new) &&
        find_call(c.library, "archive_read_support_filter_gzip", c.support_gzip) &&
        find_call(c.library, "archive_read_support_filter_bzip2", c.support_bzip2) &&
        find_call(c.library, "archive_read_support_filter_xz", c.support_xz) &&
        find_call(c.library, "archive_read_support_filter_zstd", c.support_zstd) &&
        find_call(c.library, "archive_read_support_format_raw", c.support_raw) &&
        find_call(c.library, "archive_read_support_format_empty", c.support_empty) &&
        find_call(c.library, "archive_read_open", c.open) &&
        find_call(c.library, "archive_read_next_header", c.next_header) &&
        find_call(c.library, "archive_read_data_block", c.read_block) &&
        find_call(c.library, "archive_filter_count", c.filter_count) &&
        find_call(c.library, "archive_filter_code", c.filter_code) &&
        find_call(c.library, "archive_set_error", c.set_error) &&
        find_call(c.library, "archive_read_free", c.free))
        return true;
    ::dlclose(c.library);
    c.library = nullptr;
    return false;
}

// What the thread reads from, and what it tells when done.
struct ArchiveFeed {
    ArchiveCalls calls;
    int fd = -1;
    char first[signature_size];
    std::size_t first_size = 0;
    bool first_given = false;
    char block[256 * 1024];
    int pipe_in = -1; // the pipe's write end
    bool ok = false;
    std::thread thread;
};

// libarchive's read callback: the first bytes read before, then the file.
la_ssize_t feed_archive(struct archive* a, void* data, const void** buffer)
{
    auto* s = static_cast<ArchiveFeed*>(data);
    if (!s->first_given) {
        s->first_given = true;
        if (s->first_size > 0) {
            *buffer = s->first;
            return static_cast<la_ssize_t>(s->first_size);
        }
    }
    const long n = read_some(s->fd, s->block, sizeof s->block);
    if (n < 0) {
        s->calls.set_error(a, errno, "read failed");
        return -1;
    }
    *buffer = s->block;
    return n;
}

// Writes all of text into the pipe; false when the reader has gone.
bool write_pipe(int fd, const char* text, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, text, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        text += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Decompresses the source into the pipe; false when the data is corrupt or
// cut short, or whose signature no decompressor takes up.
bool decompress_all(ArchiveFeed* s, struct archive* a)
{
    const ArchiveCalls& c = s->calls;
    c.support_gzip(a);
    c.support_bzip2(a);
    c.support_xz(a);
    c.support_zstd(a);
    c.support_raw(a);
    c.support_empty(a);
    if (c.open(a, s, nullptr, feed_archive, nullptr) != ARCHIVE_OK)
        return false;
    struct archive_entry* entry = nullptr;
    const int header = c.next_header(a, &entry);
    if (header != ARCHIVE_OK && header != ARCHIVE_EOF)
        return false;
    if (c.filter_count(a) < 2 || c.filter_code(a, 0) == ARCHIVE_FILTER_NONE)
        return false;
    if (header == ARCHIVE_EOF)
        return true;
    // The decompressed blocks go to the pipe as libarchive holds them,
    // without a copy of their own.
    for (;;) {
        const void* data = nullptr;
        std::size_t size = 0;
        la_int64_t offset = 0;
        const int r = c.read_block(a, &data, &size, &offset);
        if (r == ARCHIVE_EOF)
            return true;
        if (r != ARCHIVE_OK || !write_pipe(s->pipe_in, static_cast<const char*>(data), size))
            return false;
    }
}

// The thread: decompresses, then closes the pipe, so that the reader meets
// the end of the data.
void decompress(ArchiveFeed* s)
{
    struct archive* a = s->calls.read_new();
    s->ok = a != nullptr && decompress_all(s, a);
    if (a != nullptr)
        s->calls.free(a);
    ::close(s->pipe_in);
}

} // namespace

bool can_decompress()
{
    return true;
}

bool start_decompression(int fd, std::string_view first_bytes, Decompression& d)
{
    auto* s = new ArchiveFeed;
    if (!load_archive_calls(s->calls)) {
        delete s;
        return false;
    }
    int fds[2];
    if (::pipe(fds) != 0) {
        ::dlclose(s->calls.library);
        delete s;
        return false;
    }
    s->fd = fd;
    s->first_size = first_bytes.copy(s->first, sizeof s->first);
    s->pipe_in = fds[1];
    try {
        s->thread = std::thread(decompress, s);
    } catch (const std::system_error&) {
        ::close(fds[0]);
        ::close(fds[1]);
        ::dlclose(s->calls.library);
        delete s;
        return false;
    }
    d.fd = fds[0];
    d.state = s;
    return true;
}

bool finish_decompression(Decompression& d)
{
    auto* s = static_cast<ArchiveFeed*>(d.state);
    // Whatever the reader left is drained, so that the thread never writes
    // into a pipe nobody reads.
    char rest[4096];
    for (ssize_t n; (n = ::read(d.fd, rest, sizeof rest)) != 0;)
        if (n < 0 && errno != EINTR)
            break;
    s->thread.join();
    const bool ok = s->ok;
    ::close(d.fd);
    ::dlclose(s->calls.library);
    delete s;
    d = {};
    return ok;
}

#else

bool can_decompress()
{
    return false;
}

bool start_decompression(int, std::string_view, Decompression&)
{
    return false;
}

bool finish_decompression(Decompression&)
{
    return false;
}

#endif
