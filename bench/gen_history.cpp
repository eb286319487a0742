// gen_history.cpp - writes a realistic, reproducible history file.
//
//   qelmar_gen LINES SYSTEMS SEED DAYS END_TIME > FILE
//   qelmar_gen --colliding LINES > FILE
//   qelmar_gen --ordinary LINES > FILE
//
// Sessions run in time order over DAYS days up to END_TIME. A few hubs take
// a large share of the sessions; most go over tcpip, some over serial
// lines; a few have zero duration or an error. The same arguments give the
// same bytes on every platform: the generator uses no library randomness.
//
// --colliding writes LINES sessions, each with its own 16-byte address, all
// of the addresses sharing one value of the index's quick hash; --ordinary
// writes the same shape with ordinary addresses.
#include "colliding.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

// splitmix64: small, fast and the same everywhere.
struct Random {
    std::uint64_t state;
    std::uint64_t next()
    {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    // 0 <= r < n
    std::uint64_t below(std::uint64_t n) { return next() % n; }
    bool chance(unsigned percent) { return below(1000) < percent * 10; }
};

std::string make_address(Random& rnd)
{
    static const unsigned zones[] = {2, 2, 2, 2, 2, 2, 1, 3, 4, 5};
    std::string a = std::to_string(zones[rnd.below(10)]) + ":" +
                    std::to_string(400 + rnd.below(4700)) + "/" +
                    std::to_string(1 + rnd.below(rnd.chance(50) ? 100 : 9999));
    if (rnd.chance(15))
        a += "." + std::to_string(1 + rnd.below(99));
    return a;
}

// Bytes of one counter: mostly small, now and then up to gigabytes.
std::uint64_t make_bytes(Random& rnd)
{
    const unsigned bits = static_cast<unsigned>(rnd.below(rnd.chance(2) ? 33 : 22));
    return rnd.below(std::uint64_t{1} << bits);
}

} // namespace

// One session per address, every address 16 bytes.
int write_one_each(bool colliding, std::uint64_t lines)
{
    std::string out;
    std::uint64_t next = 0;
    for (std::uint64_t i = 0; i < lines; ++i) {
        std::string address;
        if (colliding) {
            while (address.empty())
                address = colliding_text(next++);
        } else {
            address = "2:" + std::to_string(1000000 + i % 9000000) + "/" + std::to_string(100000 + i % 900000);
            address.resize(16, '0');
        }
        out += "tcpip," + address + "," + std::to_string(1796169600 + i) + ",60,O,0,1,2,3,4,5,6\n";
        if (out.size() > (1 << 20)) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

int main(int argc, char** argv)
{
    if (argc == 3 && (std::string(argv[1]) == "--colliding" || std::string(argv[1]) == "--ordinary"))
        return write_one_each(std::string(argv[1]) == "--colliding",
                              std::strtoull(argv[2], nullptr, 10));
    if (argc != 6) {
        std::fprintf(stderr, "usage: qelmar_gen LINES SYSTEMS SEED DAYS END_TIME\n");
        return 2;
    }
    const std::uint64_t lines = std::strtoull(argv[1], nullptr, 10);
    const std::uint64_t systems = std::strtoull(argv[2], nullptr, 10);
    Random rnd{std::strtoull(argv[3], nullptr, 10)};
    const std::uint64_t days = std::strtoull(argv[4], nullptr, 10);
    const std::int64_t end = std::strtoll(argv[5], nullptr, 10);
    if (lines == 0 || systems == 0) {
        std::fprintf(stderr, "qelmar_gen: LINES and SYSTEMS must be positive\n");
        return 2;
    }

    std::vector<std::string> addresses;
    std::unordered_set<std::string> seen;
    while (addresses.size() < systems) {
        std::string a = make_address(rnd);
        if (seen.insert(a).second)
            addresses.push_back(std::move(a));
    }
    const std::uint64_t hubs = systems < 5 ? systems : 5;

    const std::uint64_t span = days * 86400;
    std::string out;
    out.reserve(1 << 20);
    for (std::uint64_t i = 0; i < lines; ++i) {
        const std::int64_t start =
            end - static_cast<std::int64_t>(span) +
            static_cast<std::int64_t>(span * i / lines + rnd.below(span / lines + 1));
        const unsigned kind = static_cast<unsigned>(rnd.below(100));
        const char* line = kind < 85 ? "tcpip" : kind < 93 ? "ttyS1" : "cuaa1";
        const std::string& address =
            addresses[rnd.chance(30) ? rnd.below(hubs) : rnd.below(systems)];
        const unsigned dir = static_cast<unsigned>(rnd.below(100));
        const char* flags = dir < 45 ? "O" : dir < 90 ? "I" : "IO";
        const std::uint64_t duration =
            rnd.chance(1) ? 0 : 1 + rnd.below(rnd.chance(5) ? 36000 : 600);
        const unsigned error = rnd.chance(2) ? 1 + static_cast<unsigned>(rnd.below(20)) : 0;
        std::uint64_t sent = 0, received = 0, sent2 = 0, received2 = 0;
        if (flags[0] == 'O' || flags[1] == 'O')
            sent = make_bytes(rnd);
        received = make_bytes(rnd);
        if (rnd.chance(10))
            sent2 = make_bytes(rnd);
        if (rnd.chance(10))
            received2 = make_bytes(rnd);

        char row[256];
        const int n = std::snprintf(
            row, sizeof row, "%s,%s,%lld,%llu,%s,%u,%llu,%llu,0,%llu,%llu,0\n", line,
            address.c_str(), static_cast<long long>(start),
            static_cast<unsigned long long>(duration), flags, error,
            static_cast<unsigned long long>(sent), static_cast<unsigned long long>(sent2),
            static_cast<unsigned long long>(received),
            static_cast<unsigned long long>(received2));
        out.append(row, static_cast<std::size_t>(n));
        if (out.size() > (1 << 20) - 256) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
