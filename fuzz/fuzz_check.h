// What a fuzz target asserts beyond "no crash": a property that must hold for every input (a
// round trip that gives back what went in). A broken property ends the run the way a crash
// does, so that libFuzzer keeps the input and the corpus replay fails on it; assert() would
// vanish from the optimised builds that fuzz.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace fuzz {

inline void Check(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "fuzz: property broken: %s\n", property);
  std::abort();
}

}  // namespace fuzz
