// html.h - the report as one self-contained HTML page: a chart of the
// traffic by span of time, the systems, the calls and the session log.
#pragma once

#include "history/session_table.h"
#include "report/report_head.h"
#include "report/writer.h"
#include "stats/tally.h"

// Prints the page of the tally: the chart of its groups, its systems, its
// calls and, where the tally kept it, the log of tables. Every text from
// the history is escaped, and each byte that is a control or not UTF-8
// shows as '?'.
void print_html(Writer& out, const ReportHead& head, const Tally& tally, const SessionTables& tables);
