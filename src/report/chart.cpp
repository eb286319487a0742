// chart.cpp - the page's chart of traffic, as inline SVG.
#include "report/chart.h"

#include "report/groups.h"
#include "report/page_text.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

namespace {

// Where the plot lies in the chart's box of 960 by 320.
constexpr double left = 72, top = 16, plot_w = 872, plot_h = 250;

// Bytes as a number for drawing: negative sums, which only a hostile file
// makes, draw as nothing.
double drawn(std::int64_t bytes)
{
    return bytes > 0 ? static_cast<double>(bytes) : 0.0;
}

// A height of the axis in bytes: a bar of two full 64-bit sums stands
// higher than 64 bits count.
std::int64_t bytes_at(double v)
{
    constexpr double highest_exact = 9.2e18;
    return v >= highest_exact ? std::numeric_limits<std::int64_t>::max() : static_cast<std::int64_t>(v);
}

// A coordinate to a tenth of a unit.
void put_coordinate(Writer& out, double v)
{
    out.put_int(static_cast<std::int64_t>(std::lround(v * 10)) / 10);
    const auto tenth = static_cast<int>(std::lround(v * 10) % 10);
    if (tenth != 0) {
        out.put('.');
        out.put(static_cast<char>('0' + (tenth < 0 ? -tenth : tenth)));
    }
}

// The title of a bar: its name and its exact figures.
void put_figures_title(Writer& out, std::string_view name, const Sums& sums)
{
    out.put("<title>");
    put_text(out, name);
    out.put(": ");
    out.put_int(sums.sessions);
    out.put(" sessions, ");
    out.put_int(sums.sent);
    out.put(" bytes sent, ");
    out.put_int(sums.received);
    out.put(" bytes received</title>");
}

// The axis of bytes: four steps up to the highest bar, each a grid line
// with its label.
void print_axis(Writer& out, double highest)
{
    for (int i = 0; i <= 4; ++i) {
        const double y = top + plot_h - plot_h * i / 4;
        out.put("<line class=\"grid\" x1=\"");
        put_coordinate(out, left);
        out.put("\" x2=\"");
        put_coordinate(out, left + plot_w);
        out.put("\" y1=\"");
        put_coordinate(out, y);
        out.put("\" y2=\"");
        put_coordinate(out, y);
        out.put("\"/><text x=\"");
        put_coordinate(out, left - 6);
        out.put("\" y=\"");
        put_coordinate(out, y + 4);
        out.put("\" text-anchor=\"end\">");
        put_column(out, format_size, bytes_at(highest * i / 4));
        out.put("</text>\n");
    }
    out.put("<line class=\"axis\" x1=\"72\" x2=\"72\" y1=\"16\" y2=\"266\"/>\n");
}

// One group's bar in its slot from x, slot wide, named name; an empty
// group a gap with its title.
void print_bar(Writer& out, const Group& g, std::string_view name, double x, double slot,
               double highest)
{
    const double sent = highest > 0 ? drawn(g.sums.sent) / highest * plot_h : 0;
    const double received = highest > 0 ? drawn(g.sums.received) / highest * plot_h : 0;
    out.put(g.sums.sessions == 0 ? "<g class=\"bar empty\">" : "<g class=\"bar\">");
    put_figures_title(out, name, g.sums);
    if (g.sums.sessions != 0) {
        for (const auto& [part, from, h] :
             {std::tuple{"sent", 0.0, sent}, std::tuple{"received", sent, received}}) {
            out.put("<rect class=\"");
            out.put(part);
            out.put("\" x=\"");
            put_coordinate(out, x + slot * 0.1);
            out.put("\" width=\"");
            put_coordinate(out, slot * 0.8);
            out.put("\" y=\"");
            put_coordinate(out, top + plot_h - from - h);
            out.put("\" height=\"");
            put_coordinate(out, h);
            out.put("\"/>");
        }
    }
    out.put("</g>\n");
}

// The bars, and under every few of them its label.
void print_bars(Writer& out, const std::vector<Group>& groups, GroupUnit unit,
                const std::vector<std::string_view>& line_names, double highest)
{
    const double slot = groups.empty() ? plot_w : plot_w / static_cast<double>(groups.size());
    const std::size_t label_every = std::max<std::size_t>(1, (groups.size() + 11) / 12);
    char label[group_label_max];
    for (std::size_t i = 0; i < groups.size(); ++i) {
        const std::string_view name = group_label(groups[i], unit, line_names, label);
        const double x = left + slot * static_cast<double>(i);
        print_bar(out, groups[i], name, x, slot, highest);
        if (i % label_every == 0) {
            out.put("<text x=\"");
            put_coordinate(out, x + slot / 2);
            out.put("\" y=\"284\" text-anchor=\"middle\">");
            put_text(out, name);
            out.put("</text>\n");
        }
    }
    out.put("<line class=\"axis\" x1=\"72\" x2=\"944\" y1=\"266\" y2=\"266\"/>\n");
}

// The key to the two colours.
void print_legend(Writer& out)
{
    out.put("<rect class=\"sent\" x=\"72\" y=\"300\" width=\"12\" height=\"12\"/>"
            "<text x=\"90\" y=\"310\">sent</text>"
            "<rect class=\"received\" x=\"140\" y=\"300\" width=\"12\" height=\"12\"/>"
            "<text x=\"158\" y=\"310\">received</text>\n");
}

} // namespace

void print_chart(Writer& out, const std::vector<Group>& groups, GroupUnit unit,
                 const std::vector<std::string_view>& line_names)
{
    double highest = 0;
    for (const Group& g : groups)
        highest = std::max(highest, drawn(g.sums.sent) + drawn(g.sums.received));
    out.put("<h2>Traffic by ");
    out.put(unit_name(unit));
    out.put("</h2>\n<svg id=\"chart\" viewBox=\"0 0 960 320\" role=\"img\" aria-label=\"Traffic by ");
    out.put(unit_name(unit));
    out.put("\" xmlns=\"http://www.w3.org/2000/svg\">\n");
    print_axis(out, highest);
    print_bars(out, groups, unit, line_names, highest);
    print_legend(out);
    out.put("</svg>\n");
}

void print_busiest_chart(Writer& out, const SystemTable& busiest)
{
    if (busiest.empty())
        return;
    // Names on the left up to name_w, bars from there to the right edge.
    constexpr double name_w = 220, bar_w = 720, row_h = 24;
    double highest = 0;
    for (const SystemStats& s : busiest)
        highest = std::max(highest, drawn(s.sums.sent) + drawn(s.sums.received));
    const double height = row_h * static_cast<double>(busiest.size()) + 8;
    out.put("<h2>Most traffic</h2>\n<svg id=\"busiest\" viewBox=\"0 0 960 ");
    put_coordinate(out, height);
    out.put("\" role=\"img\" aria-label=\"The systems with the most traffic\" "
            "xmlns=\"http://www.w3.org/2000/svg\">\n");
    for (std::size_t i = 0; i < busiest.size(); ++i) {
        const SystemStats& s = busiest[i];
        const double y = row_h * static_cast<double>(i) + 4;
        const double sent = highest > 0 ? drawn(s.sums.sent) / highest * bar_w : 0;
        const double received = highest > 0 ? drawn(s.sums.received) / highest * bar_w : 0;
        out.put("<g class=\"busy\">");
        put_figures_title(out, s.address, s.sums);
        out.put("<text x=\"");
        put_coordinate(out, name_w - 8);
        out.put("\" y=\"");
        put_coordinate(out, y + 15);
        out.put("\" text-anchor=\"end\">");
        put_text(out, s.address.substr(0, 28));
        out.put("</text>");
        for (const auto& [part, from, w] :
             {std::tuple{"sent", 0.0, sent}, std::tuple{"received", sent, received}}) {
            out.put("<rect class=\"");
            out.put(part);
            out.put("\" x=\"");
            put_coordinate(out, name_w + from);
            out.put("\" y=\"");
            put_coordinate(out, y + 3);
            out.put("\" width=\"");
            put_coordinate(out, w);
            out.put("\" height=\"16\"/>");
        }
        out.put("</g>\n");
    }
    out.put("</svg>\n");
}
