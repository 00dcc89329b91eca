// The revision of a plan: a SHA-256 over the plan file and every file it names (its board
// profile, its prompts' pictures), each with its name, so that records of runs under different
// plans are never pooled by mistake. A change to any of those files, or a file named anew,
// makes another revision; moving the plan's folder as a whole does not.
#pragma once

#include <string>

#include "plan/plan.h"

namespace plan {

// "sha256:" and 64 lowercase hex digits. Reads the files afresh; throws PlanError when one
// cannot be read.
std::string PlanRevision(const Plan& plan);

}  // namespace plan
