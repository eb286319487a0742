// report.cpp - the one place that picks the printer of a view in a form.
#include "report/report.h"

#include "report/calls.h"
#include "report/csv.h"
#include "report/groups.h"
#include "report/html.h"
#include "report/json.h"
#include "report/metrics.h"
#include "report/session_log.h"
#include "report/summary.h"

namespace {

// The view as one JSON document.
void print_json_view(Writer& out, View view, const ReportHead& head, const Tally& tally,
                     const SessionTables& tables)
{
    switch (view) {
    case View::groups:
        print_json_groups(out, head, tally.groups, tally.unit, tally.session_count, tally.groups_cut);
        break;
    case View::calls:
        print_json_calls(out, head, tally.calls, tally.calls_cut);
        break;
    case View::report:
        print_json(out, head, tally.systems, tally.session_count, &tables, tally.systems_cut);
        break;
    case View::summary:
    case View::page:
    case View::metrics:
        print_json(out, head, tally.systems, tally.session_count, nullptr, tally.systems_cut);
        break;
    }
}

// The view as text.
void print_text_view(Writer& out, View view, const ReportHead& head, const Tally& tally,
                     const SessionTables& tables)
{
    switch (view) {
    case View::groups:
        print_groups(out, tally.groups, tally.unit, *head.line_names, tally.session_count,
                     tally.groups_cut);
        break;
    case View::calls:
        print_calls(out, tally.calls, tally.calls_cut);
        break;
    case View::report: {
        // The log's room first: nothing is put out before it is had.
        LogRoom room = log_room(tables, head.threads);
        print_summary(out, tally.systems, tally.session_count, true, tally.systems_cut);
        print_session_log(out, tables, head.version, head.full_time, &room);
        break;
    }
    case View::summary:
    case View::page:
    case View::metrics:
        print_summary(out, tally.systems, tally.session_count, false, tally.systems_cut);
        break;
    }
}

} // namespace

void print_report(Writer& out, View view, Form form, const ReportHead& head, const Tally& tally,
                  const SessionTables& tables)
{
    switch (form) {
    case Form::html:
        print_html(out, head, tally, tables);
        break;
    case Form::json:
        print_json_view(out, view, head, tally, tables);
        break;
    case Form::text:
        print_text_view(out, view, head, tally, tables);
        break;
    case Form::csv:
        print_csv(out, view, head, tally, tables);
        break;
    case Form::metrics:
        print_metrics(out, tally.metrics, *head.line_names, head.skipped);
        break;
    }
}

bool tells_failures(View view, Form form)
{
    return form == Form::text && (view == View::report || view == View::summary);
}
