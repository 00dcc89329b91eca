// `quorvane-results yield`: first-pass and final yield by plan, revision, station and UTC day,
// each with the counts behind it.
#pragma once

#include "tools/quorvane-results/verb.h"

namespace quorvane_results {

Verb AddYieldVerb(CLI::App& app, const Shared& shared);

}  // namespace quorvane_results
