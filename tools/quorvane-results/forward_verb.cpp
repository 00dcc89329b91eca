#include "tools/quorvane-results/forward_verb.h"

#include <iostream>
#include <memory>

#include "results/line_forward.h"
#include "results/line_schema.h"

namespace quorvane_results {

namespace {

int Forward(const std::filesystem::path& store_file, const std::string& conninfo) {
  std::optional<results::ResultsStore> store;
  try {
    store.emplace(store_file);
  } catch (const results::StoreError& fault) {
    std::cerr << "quorvane-results: " << fault.what() << '\n';
    return kStoreFault;
  }
  results::ForwardCount count;
  int status = kDone;
  try {
    results::LineConnection line(conninfo);
    results::MigrateLine(line, results::LineMigrations());
    count = results::ForwardPending(*store, line);
  } catch (const std::runtime_error& fault) {  // results::LineDbError, results::StoreError
    std::cerr << "quorvane-results: " << fault.what() << '\n';
    status = kStoreFault;
  }
  std::cout << count.stored << " forwarded, " << count.already_there << " already there, "
            << results::UnforwardedRuns(*store).size() << " pending\n";
  return status;
}

}  // namespace

Verb AddForwardVerb(CLI::App& app, const Shared& shared) {
  auto conninfo = std::make_shared<std::string>();
  auto* command = app.add_subcommand(
      "forward", "forwards the store's runs the line's database lacks, in order, and tells how "
                 "many are still pending (the store: --store, or results.sqlite here)");
  command
      ->add_option("--line-db", *conninfo,
                   "the line's PostgreSQL database, a libpq connection string such as "
                   "'host=db1 dbname=line user=station' (the password from ~/.pgpass)")
      ->required();
  return {command, [conninfo, &shared] {
            return Forward(shared.store.empty() ? results::kStoreFileName : shared.store,
                           *conninfo);
          }};
}

}  // namespace quorvane_results
