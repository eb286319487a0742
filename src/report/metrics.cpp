// metrics.cpp - the counters of each remote system on each line, for
// monitoring.
#include "report/metrics.h"

#include "report/shown_text.h"

#include <algorithm>
#include <optional>
#include <string>
#include <tuple>

namespace {

// A series: its labels as written, and its figures.
struct Series {
    std::string line;
    std::string address;
    MetricRow figures;
};

// A label's value as written: controls and bytes that are not UTF-8 as
// '?', then '\' and '"' escaped (a line feed is a control, so never left).
std::string label_value(std::string_view text)
{
    std::string value;
    for_each_shown(text, [&](std::string_view piece) {
        for (const char c : piece) {
            if (c == '\\' || c == '"')
                value += '\\';
            value += c;
        }
    });
    return value;
}

// The rows as series in order of their labels, those that read the same
// joined: counters summed, the latest of the times.
std::vector<Series> series_of(const std::vector<MetricRow>& rows,
                              const std::vector<std::string_view>& line_names)
{
    std::vector<Series> series;
    series.reserve(rows.size());
    for (const MetricRow& row : rows)
        series.push_back({label_value(line_names[row.line]), label_value(row.address), row});
    std::stable_sort(series.begin(), series.end(), [](const Series& a, const Series& b) {
        return std::tie(a.line, a.address) < std::tie(b.line, b.address);
    });
    std::vector<Series> joined;
    for (Series& s : series) {
        if (joined.empty() || joined.back().line != s.line || joined.back().address != s.address) {
            joined.push_back(std::move(s));
            continue;
        }
        add_metric_row(joined.back().figures, s.figures);
    }
    return joined;
}

// A family of series: its name, help, type and the figure of a row (none
// for no sample).
struct Family {
    std::string_view name;
    std::string_view help;
    std::string_view type;
    std::optional<std::int64_t> (*figure)(const MetricRow&);
};

constexpr Family families[] = {
    {"qelmar_sessions_total", "Sessions, calls with some time online.", "counter",
     [](const MetricRow& r) -> std::optional<std::int64_t> { return static_cast<std::int64_t>(r.sessions); }},
    {"qelmar_online_seconds_total", "Seconds online.", "counter",
     [](const MetricRow& r) -> std::optional<std::int64_t> { return r.online; }},
    {"qelmar_sent_bytes_total", "Bytes sent.", "counter",
     [](const MetricRow& r) -> std::optional<std::int64_t> { return r.sent; }},
    {"qelmar_received_bytes_total", "Bytes received.", "counter",
     [](const MetricRow& r) -> std::optional<std::int64_t> { return r.received; }},
    {"qelmar_calls_total", "Calls, those of no time online among them.", "counter",
     [](const MetricRow& r) -> std::optional<std::int64_t> { return static_cast<std::int64_t>(r.calls); }},
    {"qelmar_failed_calls_total", "Calls that carried an error number or lasted no time.", "counter",
     [](const MetricRow& r) -> std::optional<std::int64_t> { return static_cast<std::int64_t>(r.failed); }},
    {"qelmar_last_call_timestamp_seconds", "Start of the latest call, in seconds since the epoch.", "gauge",
     [](const MetricRow& r) { return r.last_call; }},
    {"qelmar_last_good_call_timestamp_seconds",
     "Start of the latest call that did not fail, in seconds since the epoch.", "gauge",
     [](const MetricRow& r) { return r.last_good; }},
};

void put_family_head(Writer& out, std::string_view name, std::string_view help, std::string_view type)
{
    out.put("# HELP ");
    out.put(name);
    out.put(' ');
    out.put(help);
    out.put("\n# TYPE ");
    out.put(name);
    out.put(' ');
    out.put(type);
    out.put('\n');
}

} // namespace

void print_metrics(Writer& out, const std::vector<MetricRow>& rows,
                   const std::vector<std::string_view>& line_names, std::uint64_t skipped)
{
    const std::vector<Series> series = series_of(rows, line_names);
    for (const Family& f : families) {
        put_family_head(out, f.name, f.help, f.type);
        for (const Series& s : series) {
            const std::optional<std::int64_t> v = f.figure(s.figures);
            if (!v)
                continue;
            out.put(f.name);
            out.put("{line=\"");
            out.put(s.line);
            out.put("\",address=\"");
            out.put(s.address);
            out.put("\"} ");
            out.put_int(*v);
            out.put('\n');
        }
    }
    put_family_head(out, "qelmar_skipped_lines", "Incomplete lines of the named lines, left out.", "gauge");
    out.put("qelmar_skipped_lines ");
    out.put_uint(skipped, 1);
    out.put('\n');
}
