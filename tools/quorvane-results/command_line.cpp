#include "tools/quorvane-results/command_line.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <string>
#include <vector>

#include "tools/quorvane-results/distribution_verb.h"
#include "tools/quorvane-results/export_verb.h"
#include "tools/quorvane-results/forward_verb.h"
#include "tools/quorvane-results/history_verb.h"
#include "tools/quorvane-results/import_verb.h"
#include "tools/quorvane-results/pareto_verb.h"
#include "tools/quorvane-results/report_verb.h"
#include "tools/quorvane-results/verb.h"
#include "tools/quorvane-results/yield_verb.h"

namespace quorvane_results {

namespace {

// A verb's subcommand, and its run on the options the parse fills in.
struct Verb {
  CLI::App* command;
  VerbRun run;
};

// Adds --plan, --station, --since and --until to `command`, each day checked as it is parsed.
void AddRunFilterOptions(CLI::App& command, results::RunFilter& filter) {
  const CLI::Validator day(
      [](const std::string& text) {
        return results::IsDay(text) ? std::string() : "not a day of the form YYYY-MM-DD: " + text;
      },
      "YYYY-MM-DD");
  command.add_option("--plan", filter.plan, "only the runs of this plan (its name)");
  command.add_option("--station", filter.station, "only the runs of this station");
  command.add_option("--since", filter.since, "only runs from this UTC day on")->check(day);
  command.add_option("--until", filter.until, "only runs up to this UTC day, inclusive")
      ->check(day);
}

constexpr const char* kLineDbHelp =
    "the line's PostgreSQL database, a libpq connection string such as "
    "'host=db1 dbname=line user=station' (the password from ~/.pgpass)";

// Adds --line-db to a query verb's `command`: the line's database asked instead of a store.
void AddLineDbOption(CLI::App& command, Shared& shared) {
  command.add_option("--line-db", shared.line_db,
                     std::string(kLineDbHelp) + ", asked instead of a store");
}

// Adds --json, --line-db and, with `filters`, the run filter's options to `command`.
void AddQueryOptions(CLI::App& command, QueryOptions& options, Shared& shared,
                     bool filters = true) {
  command.add_flag("--json", options.json, "prints JSON for scripts instead of a table");
  AddLineDbOption(command, shared);
  if (filters) AddRunFilterOptions(command, options.filter);
}

Verb AddImport(CLI::App& app, const Shared& shared) {
  auto folder = std::make_shared<std::filesystem::path>();
  auto* command = app.add_subcommand(
      "import", "stores the run of every JSON record under DIR that the store lacks (the store: "
                "--store, or results.sqlite in DIR)");
  command->add_option("DIR", *folder, "the records' folder")->required();
  return {command, [folder, &shared] { return RunImport(shared, *folder); }};
}

Verb AddForward(CLI::App& app, const Shared& shared) {
  auto conninfo = std::make_shared<std::string>();
  auto* command = app.add_subcommand(
      "forward", "forwards the store's runs the line's database lacks, in order, and tells how "
                 "many are still pending (the store: --store, or results.sqlite here)");
  command->add_option("--line-db", *conninfo, kLineDbHelp)->required();
  return {command, [conninfo, &shared] { return RunForward(shared, *conninfo); }};
}

Verb AddYield(CLI::App& app, Shared& shared) {
  auto options = std::make_shared<QueryOptions>();
  auto* command = app.add_subcommand(
      "yield", "first-pass and final yield by plan, revision, station and UTC day");
  AddQueryOptions(*command, *options, shared);
  return {command, [options, &shared] { return RunYield(shared, *options); }};
}

Verb AddHistory(CLI::App& app, Shared& shared) {
  auto options = std::make_shared<QueryOptions>();
  auto unit = std::make_shared<std::string>();
  auto* command =
      app.add_subcommand("history", "every run of one unit in order, with what failed in each");
  command->add_option("UNIT", *unit, "the unit exactly as its runs were given it")->required();
  AddQueryOptions(*command, *options, shared, false);
  return {command, [options, unit, &shared] { return RunHistory(shared, *unit, options->json); }};
}

Verb AddDistribution(CLI::App& app, Shared& shared) {
  auto options = std::make_shared<DistributionOptions>();
  auto* command = app.add_subcommand(
      "distribution", "a measurement's count, mean, standard deviation, minimum, maximum and Cpk");
  command->add_option("NAME", options->name, "the measurement's name")->required();
  command->add_flag("--by-station", options->by_station, "a row for each station too");
  AddQueryOptions(*command, options->query, shared);
  return {command, [options, &shared] { return RunDistribution(shared, *options); }};
}

Verb AddPareto(CLI::App& app, Shared& shared) {
  auto options = std::make_shared<QueryOptions>();
  auto* command = app.add_subcommand(
      "pareto", "the failing phases and measurements, most frequent first, with cumulative share");
  AddQueryOptions(*command, *options, shared);
  return {command, [options, &shared] { return RunPareto(shared, *options); }};
}

Verb AddExport(CLI::App& app, Shared& shared) {
  auto options = std::make_shared<ExportOptions>();
  auto* command = app.add_subcommand(
      "export", "the measurements, or the runs, as CSV (RFC 4180) on standard output");
  command->add_flag("--runs", options->runs, "one line per run instead of per measurement");
  AddLineDbOption(*command, shared);
  AddRunFilterOptions(*command, options->filter);
  return {command, [options, &shared] { return RunExport(shared, *options); }};
}

Verb AddReport(CLI::App& app, Shared& shared) {
  auto options = std::make_shared<report::ReportOptions>();
  auto* command = app.add_subcommand(
      "report", "writes the report, a folder of HTML pages: yield, the failure Pareto, each "
                "measurement's histogram and control chart, each unit's runs and session record");
  command->add_option("--out", options->out, "the report's folder, written whole or not at all")
      ->required();
  command->add_option("--records", options->records,
                      "the records' folder the runs' session records are in (default: the "
                      "store's folder, or the working folder with --line-db)");
  AddLineDbOption(*command, shared);
  AddRunFilterOptions(*command, options->filter);
  return {command, [options, &shared] { return RunReport(shared, *options); }};
}

}  // namespace

std::variant<VerbRun, tools::EarlyExit> ParseCommandLine(int argc, char** argv) {
  CLI::App app{
      "Works on the results store, the SQLite file every run of quorvane-plan and "
      "quorvane-station goes into; the queries and the report also on the line's PostgreSQL "
      "database (--line-db). Exit status: 0 done, 1 done with some input refused, 2 the "
      "store could not be used, 3 the command line is refused, 4 no such unit or measurement, 5 "
      "the report could not be written.",
      "quorvane-results"};
  // The verbs' runs hold on to it past the parse.
  auto shared = std::make_shared<Shared>();
  app.add_option("--store", shared->store,
                 "the results store (an SQLite file); a query verb's --line-db instead asks the "
                 "line's database");
  app.require_subcommand(1);
  app.fallthrough();  // --store may also follow the verb
  // In the order the help lists them.
  const std::vector<Verb> verbs = {AddImport(app, *shared),       AddForward(app, *shared),
                                   AddYield(app, *shared),        AddHistory(app, *shared),
                                   AddDistribution(app, *shared), AddPareto(app, *shared),
                                   AddExport(app, *shared),       AddReport(app, *shared)};
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return tools::EarlyExitFrom(app, error, kUsageRefused);
  }
  for (const Verb& verb : verbs) {
    if (verb.command->parsed()) return VerbRun([shared, run = verb.run] { return run(); });
  }
  return tools::EarlyExit{kUsageRefused, "no verb given"};
}

}  // namespace quorvane_results
