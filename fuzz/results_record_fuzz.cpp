// Arbitrary bytes as a run's JSON record, as `quorvane-results import` reads every `*.json` in a
// folder a person copied from a station: read by the store's own reader (ReadRecord).
//
// Beyond "no crash": a record is taken whole or refused; a taken one has a unit, an id of one of
// the two forms and times as records write them, and reads the same way twice.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "results/record_reader.h"
#include "results/run_id.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  results::StoredRun run;
  try {
    run = results::ReadRecord(text, "fuzz.json");
  } catch (const results::RecordRefusal&) {
    return 0;
  }
  fuzz::Check(!run.unit.empty(), "a taken record has a unit");
  fuzz::Check(results::IsRunId(run.id) || run.id == results::DerivedRunId(text),
              "a taken record has its own id or its bytes' digest");
  fuzz::Check(run.start.size() == 24 && run.end.size() == 24, "times are as records write them");
  fuzz::Check(results::ReadRecord(text, "fuzz.json") == run, "a record reads the same twice");
  return 0;
}
