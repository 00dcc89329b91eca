// What the query verbs share: opening the database they ask, a station's store that must already
// be there (so that a mistyped --store is an error and not a new empty store) or the line's
// database, and the forms of their answers. A verb's answer comes from the query functions of
// results/ as plain structs; the verb prints them as a table or as JSON.
#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "results/query_database.h"
#include "results/run_filter.h"
#include "tools/quorvane-results/verb.h"

namespace quorvane_results {

// The store's file `shared` names: results.sqlite in the current folder unless given.
std::filesystem::path StoreFile(const Shared& shared);

// Opens the line's database when `shared` names one, else the store, and gives it to `query`. A
// missing or unusable store, or a line's database that cannot be reached, refuses us or fails
// while asked, is told on standard error with kStoreFault; both named, with kUsageRefused.
int WithDatabase(const Shared& shared, const std::function<int(results::QueryDatabase&)>& query);

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
