// A run's id: the same wherever the run is seen (the station's store, the line's database, an
// import of its records), so that storing or forwarding a run twice stores it once. A run gets a
// random one as it starts, which its JSON record carries as "run_id"; a record written before
// records carried one is known by a digest of its bytes, the same on every import.
#pragma once

#include <string>
#include <string_view>

namespace results {

// 32 lowercase hex digits, 128 random bits: no two stations draw the same.
std::string NewRunId();

// "sha256:" and the 64 lowercase hex digits of the record's SHA-256.
std::string DerivedRunId(std::string_view record_bytes);

// Whether `id` has NewRunId's form.
bool IsRunId(std::string_view id);

}  // namespace results
