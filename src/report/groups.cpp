// groups.cpp - the table of groups.
#include "report/groups.h"

#include "report/columns.h"
#include "report/sums_columns.h"
#include "stats/rates.h"
#include "time/calendar.h"

#include <algorithm>

namespace {

// The word for the rows in the totals line, four letters as "sys." is.
std::string_view unit_word(GroupUnit unit)
{
    switch (unit) {
    case GroupUnit::hour:
        return "hrs.";
    case GroupUnit::day:
        return "days";
    case GroupUnit::week:
        return "wks.";
    case GroupUnit::month:
        return "mon.";
    case GroupUnit::year:
        return "yrs.";
    case GroupUnit::line:
        break;
    }
    return "lin.";
}

// The widths of the columns of a table of groups: the label's, then the
// sums' in their order; at least those of the summary's columns.
struct GroupColumns {
    std::size_t label = 15;
    std::size_t sums[std::size(sums_columns)] = {3, 8, 3, 8, 3, 8, 5, 5, 5, 5};
};

// The headings of the sums' columns, right-justified as the values are.
constexpr std::string_view sums_headings[] = {"Ses", "Online ", "O",   "Out.onl", "I",
                                              "Inc.onl", "Traff", "Out", "Inc",     "CPS"};

// The most bytes a cell's text takes.
constexpr std::size_t cell_max = column_max + 8;

// The text of column i of row, without the blanks around it.
std::string_view cell_text(char* buf, const SumsRow& row, std::size_t i)
{
    const std::int64_t v = column_value(row, i);
    char* end = buf;
    switch (sums_columns[i].kind) {
    case SumsKind::sessions:
        end = format_uint(buf, static_cast<std::uint64_t>(v), 1, ' ');
        break;
    case SumsKind::count:
        end = format_count(buf, static_cast<std::uint32_t>(v));
        break;
    case SumsKind::duration:
        end = format_duration(buf, v);
        break;
    case SumsKind::bytes:
        end = format_size(buf, v);
        break;
    case SumsKind::rate:
        end = format_rate(buf, v);
        break;
    }
    std::string_view text(buf, static_cast<std::size_t>(end - buf));
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

// Widens the columns to hold a row.
void widen(GroupColumns& columns, std::string_view label, const SumsRow& row)
{
    columns.label = std::max(columns.label, label.size());
    char buf[cell_max];
    for (std::size_t i = 0; i < std::size(sums_columns); ++i)
        columns.sums[i] = std::max(columns.sums[i], cell_text(buf, row, i).size());
}

// Prints text right-justified in width columns.
void put_right(Writer& out, std::string_view text, std::size_t width)
{
    for (std::size_t n = text.size(); n < width; ++n)
        out.put(' ');
    out.put(text);
}

// Prints a row: the label left-justified, then each sum right-justified,
// a blank between columns.
void print_row(Writer& out, const GroupColumns& columns, std::string_view label, const SumsRow& row)
{
    out.put_field_left(label, columns.label);
    char buf[cell_max];
    for (std::size_t i = 0; i < std::size(sums_columns); ++i) {
        out.put(' ');
        put_right(out, cell_text(buf, row, i), columns.sums[i]);
    }
    out.put('\n');
}

// A rule as wide as the table.
void print_rule(Writer& out, const GroupColumns& columns)
{
    std::size_t width = columns.label;
    for (const std::size_t w : columns.sums)
        width += 1 + w;
    for (std::size_t i = 0; i < width; ++i)
        out.put('-');
    out.put('\n');
}

// The heading and the rule under it.
void print_heading(Writer& out, const GroupColumns& columns, std::string_view first)
{
    out.put_field_left(first, columns.label);
    for (std::size_t i = 0; i < std::size(sums_columns); ++i) {
        out.put(' ');
        put_right(out, sums_headings[i], columns.sums[i]);
    }
    out.put('\n');
    print_rule(out, columns);
}

// The longest label of the totals line: the word, 20 digits, the unit.
constexpr std::size_t rows_label_max = 40;

// "Total: " or "Others " and the rows counted, "%3u", then the unit's word.
std::string_view rows_label(char* buf, std::string_view word, std::uint64_t rows, std::string_view unit)
{
    char* p = buf;
    word.copy(p, word.size());
    p = format_uint(p + word.size(), rows, 3, ' ');
    *p++ = ' ';
    unit.copy(p, unit.size());
    return {buf, static_cast<std::size_t>(p + unit.size() - buf)};
}

} // namespace

std::string_view group_label(const Group& g, GroupUnit unit,
                             const std::vector<std::string_view>& line_names, char* label)
{
    if (unit == GroupUnit::line)
        return line_names[static_cast<std::size_t>(g.key.value)];
    if (g.key.unknown)
        return "?";
    char* p = label;
    const std::int64_t v = g.key.value;
    switch (unit) {
    case GroupUnit::hour:
        p = format_date(p, floor_div(v, 24));
        *p++ = ' ';
        p = format_two_digits(p, static_cast<int>(v - floor_div(v, 24) * 24));
        *p++ = ':';
        p = format_two_digits(p, 0);
        if (g.repeated)
            p = format_offset(p, g.key.utc_offset);
        break;
    case GroupUnit::day:
        p = format_date(p, v);
        break;
    case GroupUnit::week: {
        const IsoWeek w = iso_week_of(v);
        p = format_year(p, w.year);
        *p++ = '-';
        *p++ = 'W';
        p = format_two_digits(p, w.week);
        break;
    }
    case GroupUnit::month: {
        const std::int64_t year = floor_div(v, 12);
        p = format_year(p, year);
        *p++ = '-';
        p = format_two_digits(p, static_cast<int>(v - year * 12) + 1);
        break;
    }
    case GroupUnit::year:
    case GroupUnit::line:
        p = format_year(p, v);
        break;
    }
    return {label, static_cast<std::size_t>(p - label)};
}

void print_groups(Writer& out, const std::vector<Group>& rows, GroupUnit unit,
                  const std::vector<std::string_view>& line_names, std::uint64_t session_count,
                  const std::optional<RowsCut>& cut)
{
    const std::string_view word = unit_word(unit);
    Sums totals;
    std::uint64_t count = rows.size();
    for (const Group& g : rows)
        add_sums(totals, g.sums);
    const bool others = cut && cut->rows > 0;
    if (others) {
        count += cut->rows;
        add_sums(totals, cut->sums);
    }
    // The widths: a first pass over every row that is printed.
    GroupColumns columns;
    char label[group_label_max];
    for (const Group& g : rows)
        widen(columns, group_label(g, unit, line_names, label), {g.sums, g.sums.sessions, rate_of(g.sums)});
    char others_label[rows_label_max];
    if (others)
        widen(columns, rows_label(others_label, "Others ", cut->rows, word),
              {cut->sums, cut->sessions, totals_rate(cut->sums)});
    char total_label[rows_label_max];
    const SumsRow total_row{totals, session_count, totals_rate(totals)};
    widen(columns, rows_label(total_label, "Total: ", count, word), total_row);

    print_heading(out, columns, unit == GroupUnit::line ? "Line" : "Period");
    for (const Group& g : rows)
        print_row(out, columns, group_label(g, unit, line_names, label), {g.sums, g.sums.sessions, rate_of(g.sums)});
    if (others)
        print_row(out, columns, rows_label(others_label, "Others ", cut->rows, word),
                  {cut->sums, cut->sessions, totals_rate(cut->sums)});
    print_rule(out, columns);
    print_row(out, columns, rows_label(total_label, "Total: ", count, word), total_row);
}
