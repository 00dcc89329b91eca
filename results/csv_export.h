// The store as CSV for a spreadsheet or another tool: one line per measurement (with its run and
// phase) or one line per run, for the runs a filter keeps, as RFC 4180 has it: a heading line,
// CRLF line ends, and a field quoted when it holds a comma, a quote or a line break, its quotes
// doubled. An absent value (no revision, a value that never matched) is an empty field. Rows are
// written as they are read, so an export of any size takes the same memory.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "results/run_filter.h"

namespace results {

enum class CsvRows { kMeasurements, kRuns };

// `text` as one CSV field.
std::string CsvField(std::string_view text);

// Runs oldest first, measurements in the order their runs made them.
void ExportCsv(QueryDatabase& database, CsvRows rows, const RunFilter& filter, std::ostream& out);

}  // namespace results
