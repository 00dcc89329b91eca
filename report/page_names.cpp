#include "report/page_names.h"

#include "plan/report_names.h"
#include "results/run_id.h"

namespace report {

namespace {

constexpr std::size_t kLongestName = 160;

std::string FileName(std::string_view text) {
  std::string name = plan::EncodeNamePart(text);
  if (name.empty() || name.size() > kLongestName) {
    const std::string digest = results::DerivedRunId(text);  // "sha256:" and 64 hex digits
    name = name.substr(0, 120) + "~" + digest.substr(digest.find(':') + 1, 32);
  }
  return name + ".html";
}

}  // namespace

std::string UnitPage(std::string_view unit) { return "units/" + FileName(unit); }

std::string MeasurementPage(std::string_view name) { return "measurements/" + FileName(name); }

}  // namespace report
