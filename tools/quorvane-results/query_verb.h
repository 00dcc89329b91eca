// What the query verbs share: the filter options (--plan, --station, --since, --until, each day
// checked on the command line), --json, and opening a store that must already be there, so that
// a mistyped --store is an error and not a new empty store. A verb's answer comes from the query
// functions of results/ as plain structs; the verb prints them as a table or as JSON.
#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "results/run_filter.h"
#include "results/store.h"
#include "tools/quorvane-results/verb.h"

namespace quorvane_results {

struct QueryOptions {
  results::RunFilter filter;
  bool json = false;
};

// Adds --plan, --station, --since and --until to `command`.
void AddRunFilterOptions(CLI::App& command, results::RunFilter& filter);
// Adds --json and, with `filters`, the run filter's options to `command`.
void AddQueryOptions(CLI::App& command, QueryOptions& options, bool filters = true);

// Opens the store `shared` names (results.sqlite in the current folder unless given) and gives
// it to `query`; a missing or unusable store is told on standard error with kStoreFault.
int WithStore(const Shared& shared, const std::function<int(results::ResultsStore&)>& query);

// An optional value for JSON: null for nothing.
template <typename T>
nlohmann::json OrNull(const std::optional<T>& value) {
  return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

// Prints `json` (indented) to standard output.
void PrintJson(const nlohmann::json& json);

// Tells `what` on standard error and gives kNotFound.
int NotFound(const std::string& what);

// A figure for a table: `value` with `decimals`, or "-" for nothing.
std::string Figure(std::optional<double> value, int decimals);
// A measured value for a table, to six significant digits, or "-" for nothing.
std::string Number(std::optional<double> value);
// A text for a table cell, "-" for an empty one.
std::string Cell(const std::string& text);
// A share as a percentage with one decimal, "97.5 %".
std::string Percent(double share);
// A plan's revision for a table: a hash shortened to its first 12 digits, "-" for none.
std::string ShortRevision(const std::optional<std::string>& revision);

}  // namespace quorvane_results
