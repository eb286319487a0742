// csv.h - the rows of a view as one CSV table, for spreadsheets.
#pragma once

#include "history/session_table.h"
#include "report/report_head.h"
#include "report/writer.h"
#include "stats/tally.h"

// Prints the rows of the view as one table: a header row of the names
// that the JSON report gives their members, then a record for each row
// kept (each session in file order for the report), no totals. A field
// with a comma, a double quote or a line end is quoted; a text from the
// history that begins as a spreadsheet formula does is quoted and begins
// with "'".
void print_csv(Writer& out, View view, const ReportHead& head, const Tally& tally,
               const SessionTables& tables);
