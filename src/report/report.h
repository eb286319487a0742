// report.h - the one place that picks the printer of a view in a form.
#pragma once

#include "history/session_table.h"
#include "report/report_head.h"
#include "report/writer.h"
#include "stats/tally.h"

// How a view is written: as text, as one JSON document, as one HTML page
// (the page's own form), as one CSV table of its rows, or as metrics in
// the text format of monitoring systems (the metrics' own form).
enum class Form { text, json, html, csv, metrics };

// Prints the view of tally in the form; tables hold the sessions where the
// view keeps them. What printing needs is taken before any of it is put
// out, so that running out of memory leaves no half report.
void print_report(Writer& out, View view, Form form, const ReportHead& head, const Tally& tally,
                  const SessionTables& tables);

// Whether a notice of the failed calls follows the report: after the text
// report and the text summary, which leave calls of no time online out.
bool tells_failures(View view, Form form);
