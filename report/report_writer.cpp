#include "report/report_writer.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>

#include <cerrno>
#include <cstring>

#include "report/page_names.h"
#include "report/page_writer.h"
#include "report/pages.h"
#include "results/measurement_series_query.h"
#include "results/unit_runs_query.h"

namespace report {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void Fail(const fs::path& path, const std::string& what) {
  throw ReportError(path.string() + ": " + what);
}

// Whether `out` may be replaced: missing, empty, or a report of ours.
void CheckReplaceable(const fs::path& out) {
  std::error_code error;
  const fs::file_status status = fs::symlink_status(out, error);
  if (status.type() == fs::file_type::not_found) return;
  if (status.type() != fs::file_type::directory) Fail(out, "is there and is not a folder");
  if (fs::is_empty(out, error) || fs::exists(out / kReportMark, error)) return;
  Fail(out, "is a folder that holds something else than a report; it is left as it is");
}

// A new folder beside `out`, removed with what it holds unless it was Kept.
class PartialFolder {
 public:
  explicit PartialFolder(const fs::path& out) {
    std::string pattern =
        (out.parent_path() / ("." + out.filename().string() + ".partial-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      Fail(out.parent_path().empty() ? fs::path(".") : out.parent_path(),
           std::string("cannot take a new folder (") + std::strerror(errno) + ")");
    }
    path_ = pattern;
  }
  PartialFolder(const PartialFolder&) = delete;
  PartialFolder& operator=(const PartialFolder&) = delete;
  ~PartialFolder() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }
  void Forget() { path_.clear(); }

 private:
  fs::path path_;
};

// Puts the partial folder at `out` in one step: a rename, or an exchange with the earlier report,
// which then goes.
void TakeName(PartialFolder& partial, const fs::path& out) {
  if (::renameat2(AT_FDCWD, partial.path().c_str(), AT_FDCWD, out.c_str(), RENAME_NOREPLACE) == 0) {
    partial.Forget();
    return;
  }
  if (errno != EEXIST)
    Fail(out, std::string("cannot be put in place (") + std::strerror(errno) + ")");
  if (::renameat2(AT_FDCWD, partial.path().c_str(), AT_FDCWD, out.c_str(), RENAME_EXCHANGE) != 0) {
    Fail(out, std::string("cannot replace the earlier report (") + std::strerror(errno) + ")");
  }
  // The partial folder's name now holds the earlier report, which its destructor removes.
}

}  // namespace

ReportTally WriteReport(results::QueryDatabase& database, const ReportOptions& options) {
  // "report/" names the folder "report", beside which the partial one goes.
  fs::path out = options.out.lexically_normal();
  if (!out.has_filename()) out = out.parent_path();
  CheckReplaceable(out);
  PartialFolder partial(out);
  const fs::path folder = partial.path();
  std::error_code error;
  fs::create_directory(folder / "units", error);
  fs::create_directory(folder / "measurements", error);
  if (error) Fail(folder, "cannot hold the report's folders (" + error.message() + ")");

  PageWriter pages(folder);
  pages.Write(kReportMark, "");
  const auto measurements = results::QueryMeasurementNames(database, options.filter);
  for (const std::string& name : measurements) {
    pages.Write(MeasurementPage(name), MeasurementPageHtml(database, name, options.filter));
  }
  std::vector<UnitSummary> units;
  results::ForEachUnitsRuns(database, options.filter, [&](std::vector<results::StoredRun>& runs) {
    units.push_back({runs.front().unit, runs.size(), runs.back().start, runs.back().outcome});
    pages.Write(UnitPage(units.back().unit), UnitPageHtml(runs, options.records));
  });
  pages.Write(kOverviewPage, OverviewPage(database, options.filter, measurements, units));
  pages.Finish();
  fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
  TakeName(partial, out);
  return {measurements.size(), units.size()};
}

}  // namespace report
