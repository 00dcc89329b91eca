// `quorvane-results forward --line-db CONNINFO`: forwards the store's runs that the line's
// database lacks, in the order they were stored, as a station does while it runs, and tells how
// many went, how many were there already and how many are still pending (a server that refused
// or went away leaves them pending: exit status 2). The store is `--store`, or results.sqlite in
// the working folder.
#pragma once

#include "tools/quorvane-results/verb.h"

namespace quorvane_results {

Verb AddForwardVerb(CLI::App& app, const Shared& shared);

}  // namespace quorvane_results
