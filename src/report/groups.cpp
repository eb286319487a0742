// groups.cpp - the table of groups.
#include "report/groups.h"

#include "report/columns.h"
#include "report/summary.h"
#include "time/calendar.h"

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
    print_sums_heading(out, unit == GroupUnit::line ? "Line" : "Period");
    Sums totals;
    char label[group_label_max];
    for (const Group& g : rows) {
        print_sums_row(out, group_label(g, unit, line_names, label), g.sums);
        add_sums(totals, g.sums);
    }
    std::uint64_t count = rows.size();
    print_sums_others(out, cut, unit_word(unit), count, totals);
    print_sums_totals(out, count, unit_word(unit), session_count, totals);
}
