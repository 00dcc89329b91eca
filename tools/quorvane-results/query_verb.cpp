#include "tools/quorvane-results/query_verb.h"

#include <iomanip>
#include <iostream>
#include <sstream>

namespace quorvane_results {

int WithStore(const Shared& shared, const std::function<int(results::ResultsStore&)>& query) {
  const std::filesystem::path file =
      shared.store.empty() ? std::filesystem::path(results::kStoreFileName) : shared.store;
  if (!std::filesystem::is_regular_file(file)) {
    std::cerr << "quorvane-results: no results store at " << file.string()
              << " (--store names it)\n";
    return kStoreFault;
  }
  try {
    results::ResultsStore store(file);
    return query(store);
  } catch (const results::StoreError& fault) {
    std::cerr << "quorvane-results: " << fault.what() << '\n';
    return kStoreFault;
  }
}

void PrintJson(const nlohmann::json& json) { std::cout << json.dump(2) << '\n'; }

int NotFound(const std::string& what) {
  std::cerr << "quorvane-results: " << what << '\n';
  return kNotFound;
}

std::string Figure(std::optional<double> value, int decimals) {
  if (!value) return "-";
  std::ostringstream text;
  text << std::fixed << std::setprecision(decimals) << *value;
  return text.str();
}

std::string Number(std::optional<double> value) {
  if (!value) return "-";
  std::ostringstream text;
  text << std::setprecision(6) << *value;
  return text.str();
}

std::string Cell(const std::string& text) { return text.empty() ? "-" : text; }

std::string Percent(double share) { return Figure(share * 100, 1) + " %"; }

std::string ShortRevision(const std::optional<std::string>& revision) {
  if (!revision) return "-";
  const std::size_t colon = revision->find(':');
  const std::size_t start = colon == std::string::npos ? 0 : colon + 1;
  return revision->substr(0, std::min(revision->size(), start + 12));
}

}  // namespace quorvane_results
