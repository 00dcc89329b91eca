// The report's pages, each drawn from the store's queries as one HTML text: the overview (yield
// per station over days, the failure Pareto, the way to every measurement and unit), a page per
// measurement (for each plan, units and limits it was measured with: its figures, histogram and
// control chart) and a page per unit (every run of it with its phases, measurements and each
// phase's slice of the session record).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "results/query_database.h"
#include "results/run_filter.h"
#include "results/stored_run.h"

namespace report {

// A unit as the overview lists it: its runs among those the report shows, and its last one.
struct UnitSummary {
  std::string unit;
  std::size_t runs = 0;
  std::string last_start;
  std::string last_outcome;
};

std::string OverviewPage(results::QueryDatabase& database, const results::RunFilter& filter,
                         const std::vector<std::string>& measurements,
                         const std::vector<UnitSummary>& units);

std::string MeasurementPageHtml(results::QueryDatabase& database, const std::string& name,
                                const results::RunFilter& filter);

// `runs`: every run of one unit, oldest first; `records`: the folder their session records are
// named in.
std::string UnitPageHtml(const std::vector<results::StoredRun>& runs,
                         const std::filesystem::path& records);

}  // namespace report
