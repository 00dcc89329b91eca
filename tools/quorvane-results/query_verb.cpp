#include "tools/quorvane-results/query_verb.h"

#include <iomanip>
#include <iostream>
#include <sstream>

#include "results/line_queries.h"
#include "results/line_schema.h"
#include "results/store.h"

namespace quorvane_results {

namespace {

using Query = std::function<int(results::QueryDatabase&)>;

// A query may read the whole line's runs: longer than forwarding lets one statement run.
constexpr results::LineTimeouts kQueryTimeouts{.connect_s = 3, .statement_ms = 300'000};

int WithStore(const std::filesystem::path& file, const Query& query) {
  if (!std::filesystem::is_regular_file(file)) {
    std::cerr << "quorvane-results: no results store at " << file.string()
              << " (--store names it)\n";
    return kStoreFault;
  }
  try {
    results::ResultsStore store(file);
    return query(store.queries());
  } catch (const results::StoreError& fault) {
    std::cerr << "quorvane-results: " << fault.what() << '\n';
    return kStoreFault;
  }
}

// The line's database brought to this program's schema first (a newer one is refused).
int WithLine(const std::string& conninfo, const Query& query) {
  try {
    results::LineConnection line(conninfo, kQueryTimeouts);
    results::MigrateLine(line, results::LineMigrations());
    results::LineQueries queries(line);
    return query(queries);
  } catch (const results::LineDbError& fault) {
    std::cerr << "quorvane-results: " << fault.what() << '\n';
    return kStoreFault;
  }
}

}  // namespace

std::filesystem::path StoreFile(const Shared& shared) {
  return shared.store.empty() ? std::filesystem::path(results::kStoreFileName) : shared.store;
}

int WithDatabase(const Shared& shared, const Query& query) {
  if (shared.line_db.empty()) return WithStore(StoreFile(shared), query);
  if (!shared.store.empty()) {
    std::cerr << "quorvane-results: --store and --line-db each name a database to ask; give "
                 "one of them\n";
    return kUsageRefused;
  }
  return WithLine(shared.line_db, query);
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
