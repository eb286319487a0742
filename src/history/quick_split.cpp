// quick_split.cpp - short plain lines split at once.
#include "history/quick_split.h"

#include "history/cpu.h"
#include "history/line_rules.h"

#include <bit>

namespace {

constexpr std::size_t field_count = 12;
// More digits than this might not fit the sums of three without wrapping.
constexpr std::size_t longest_number = 16;

// Bits below bit n.
std::uint64_t bits_below(std::size_t n)
{
    return n >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
}

// The value of the n digits (1 to 8) at p in buffer: the digits moved to
// the top, the first the most significant, then combined in pairs, fours
// and eights.
std::uint64_t eight_digits(const ReadBuffer& buffer, const char* p, std::size_t n)
{
    std::uint64_t d = (cpu::load_le64(wide_load<8>(buffer, p)) & 0x0f0f0f0f0f0f0f0fULL)
                      << (8 * (8 - n));
    d = (d * 10 + (d >> 8)) & 0x00ff00ff00ff00ffULL;
    d = (d * 100 + (d >> 16)) & 0x0000ffff0000ffffULL;
    return (d * 10000 + (d >> 32)) & 0xffffffffULL;
}

// The fields of a plain line, found at once, handed out in turn.
struct PlainFields {
    const ReadBuffer& buffer;
    const char* line;
    std::size_t ends[field_count]; // where each field ends
    std::size_t next = 0;

    std::string_view take()
    {
        const std::size_t begin = next == 0 ? 0 : ends[next - 1] + 1;
        const std::size_t end = ends[next++];
        return {line + begin, end - begin};
    }
    // Both inlined into the rules, at each of their twelve calls: as calls,
    // the line took a fifth longer.
    [[gnu::always_inline]] bool text(std::string_view& field)
    {
        field = take();
        return true;
    }
    // Plain digits, 1 to 16 of them.
    [[gnu::always_inline]] bool number(std::int64_t& value)
    {
        const std::string_view digits = take();
        const std::size_t n = digits.size();
        const char* p = digits.data();
        const std::uint64_t v = n <= 8 ? eight_digits(buffer, p, n)
                                       : eight_digits(buffer, p, n - 8) * 100000000 +
                                             eight_digits(buffer, p + n - 8, 8);
        value = static_cast<std::int64_t>(v);
        return true;
    }
};

// Finds the fields of a plain line; false for any other.
bool split_plain(std::string_view line, PlainFields& f)
{
    const std::size_t size = line.size();
    if (size > ReadBuffer::reach || size < 2 || line[size - 1] != '\n')
        return false;
    const cpu::BlockMarks marks =
        cpu::marks64(wide_load<ReadBuffer::reach>(f.buffer, line.data()));
    const std::uint64_t body = bits_below(size - 1); // the line without its feed
    std::uint64_t commas = marks.commas & body;
    // No comma first or last, none doubled: no empty field.
    if ((commas & 1) != 0 || (commas >> (size - 2) & 1) != 0 || (commas & (commas >> 1)) != 0)
        return false;
    // Exactly eleven commas.
    for (std::size_t i = 0; i + 1 < field_count; ++i) {
        if (commas == 0)
            return false;
        f.ends[i] = static_cast<std::size_t>(std::countr_zero(commas));
        commas &= commas - 1;
    }
    if (commas != 0)
        return false;
    f.ends[field_count - 1] = size - 1;
    // Every byte of the numeric fields a digit: all but the name, the
    // address, the flags and the commas.
    const std::uint64_t texts = bits_below(f.ends[1]) | (bits_below(f.ends[4]) & ~bits_below(f.ends[3]));
    if ((body & ~marks.commas & ~texts & ~marks.digits) != 0)
        return false;
    for (const std::size_t i : {2, 3, 5, 6, 7, 8, 9, 10, 11})
        if (f.ends[i] - f.ends[i - 1] - 1 > longest_number)
            return false;
    return true;
}

} // namespace

// Kept out of the reader's loop: inlined there, it made the loop slower.
[[gnu::noinline]] bool quick_parse_session(const ReadBuffer& buffer, std::string_view line,
                                           const Selection& sel, SessionFields& fields,
                                           LineVerdict& verdict)
{
    PlainFields plain{buffer, line.data(), {}};
    if (!split_plain(line, plain))
        return false;
    verdict = apply_rules(plain, sel, fields);
    return true;
}
