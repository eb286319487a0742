// history.h - sessions of one line, read from a history file.
#pragma once

#include "app/options.h"
#include "history/text_pool.h"

#include <cstdint>
#include <string_view>
#include <vector>

// One selected history line. Texts are ids into the SessionTable's pools.
struct Session {
    std::int64_t start = 0;
    std::int64_t duration = 0;  // never 0
    std::int64_t sent = 0;      // the three sent counters, summed
    std::int64_t received = 0;  // the three received counters, summed
    std::uint32_t address = 0;  // id in addresses: also the system's first-seen index
    std::uint32_t flags : 31 = 0; // id in flags
    std::uint32_t error : 1 = 0;  // error number's low 32 bits not all zero
};

// The selected sessions in file order, and the texts they name.
struct SessionTable {
    std::vector<Session> sessions;
    TextPool addresses;
    TextPool flags;
};

// The totals of one remote system.
struct SystemStats {
    std::string_view address;
    std::int64_t online = 0;
    std::uint32_t sessions = 0;
    std::int64_t sent = 0;
    std::int64_t received = 0;
    std::uint32_t out_sessions = 0;
    std::uint32_t in_sessions = 0;
    std::int64_t out_online = 0;
    std::int64_t in_online = 0;
};

// One entry per distinct address, in order of first selected session.
using SystemTable = std::vector<SystemStats>;

// The fields of one history line, as parsed.
struct SessionFields {
    std::string_view address;
    std::int64_t start = 0;
    std::int64_t duration = 0;
    std::string_view flags;
    bool error = false;
    std::int64_t sent = 0;
    std::int64_t received = 0;
};

enum class LineVerdict { selected, dropped, incomplete };

// Tests one line (the bytes up to and including its line feed) against the
// line name, the window and the duration, filling fields as it goes.
// A line of the named line that ends before the test that drops it, or
// before its twelfth field, is incomplete.
LineVerdict parse_session_fields(std::string_view line, const RunOptions& opts,
                                 const TimeWindow& window, SessionFields& fields);

enum class ReadStatus { ok, read_error };

// Reads fd to its end, adding the selected sessions to sessions and each new
// address to systems; counts incomplete lines in skipped. A last line with no
// line feed is ignored.
ReadStatus read_history(int fd, const RunOptions& opts, const TimeWindow& window,
                        SessionTable& sessions, SystemTable& systems,
                        std::uint64_t& skipped);
