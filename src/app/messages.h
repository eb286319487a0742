// messages.h - what the tool tells besides the report: the usage text, the
// help, the errors of a command line and the notices after a report.
#pragma once

#include "app/options.h"
#include "history/reader.h"
#include "history/selection.h"
#include "report/writer.h"
#include "stats/calls.h"

#include <cstdint>
#include <string_view>
#include <vector>

// Name and version, with the platform suffix.
inline constexpr std::string_view version_text = "Qelmar v0.4/bsd";

// Writes one message to fd, without allocating. A message that cannot be
// written is lost.
void put_message(int fd, std::string_view a, std::string_view b = {}, std::string_view c = {});

// The usage text; and the usage text, a line for each long option and the
// forms of WHEN.
void print_usage(Writer& out);
void print_help(Writer& out);

// Tells why the command line cannot be followed.
void print_bad_argument(int fd, const BadArgument& bad);

// Tells of each argument that the classic rules pass over.
void print_ignored(int fd, const std::vector<std::string_view>& ignored);

// Tells, after the ignored arguments, how several files are read as one
// history, where the line name or an ignored argument names a file.
void print_files_hint(int fd, const RunOptions& opts);

// Tells of each option that changes nothing, with the option it has no
// effect with.
void print_ignored_options(int fd, const std::vector<std::pair<std::string_view, std::string_view>>& ignored);

// Tells how many history lines were left out for lack of fields.
void print_skipped(int fd, std::uint64_t skipped);

// Tells of each selected line that no line of the file (or files) names,
// and then which lines the file does name.
void print_unnamed_lines(int fd, const Selection& sel, const ReadNotes& notes, bool several_files);

// Tells of each address pattern that no address of the selected lines in
// the file (or files) matches.
void print_unmatched_addresses(int fd, const Selection& sel, const ReadNotes& notes,
                               bool several_files);

// Tells how many of the calls failed, where any did, and which systems had
// no good call, the first 20 of them by address; on a terminal, control
// bytes of the addresses show as '?'.
void print_failed_calls(int fd, const FailedCalls& calls, bool terminal);
