// A run's JSON record read back as the store holds it (see plans/record.schema.json; schema
// versions 1 and 2). Records come from folders a person copies around, so any bytes may arrive:
// a record is taken whole or refused with the field at fault, never half read. The run's id is
// the record's "run_id", or for a record without one a digest of its bytes (run_id.h).
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "results/stored_run.h"

namespace results {

class RecordRefusal : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// `record_file`: the record's name relative to the records' folder, as the store keeps it.
// Throws RecordRefusal.
StoredRun ReadRecord(std::string_view text, const std::string& record_file);

}  // namespace results
