// A run's JSON record read back for the store: the runner's own record (the plan reports' golden
// file) reads whole with its id, an older record without one gets the same digest every time,
// and a record with any field out of form is refused with that field named.
#include "results/record_reader.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "results/run_id.h"
#include "testing/run_records.h"

namespace results {
namespace {

using nlohmann::json;

json GoldenRecord() {
  return json::parse(testing_support::FileText(QUORVANE_PLAN_TESTDATA "/run.json"));
}

TEST(RecordReaderTest, TheRunnersRecordReadsWhole) {
  json record = GoldenRecord();
  record["run_id"] = "00112233445566778899aabbccddeeff";
  const StoredRun run = ReadRecord(record.dump(), "a/SN-1.json");
  EXPECT_EQ(run.id, "00112233445566778899aabbccddeeff");
  EXPECT_EQ(run.record_file, "a/SN-1.json");
  EXPECT_EQ(run.unit, record["unit"]);
  EXPECT_EQ(run.operator_name, "Kim");
  EXPECT_EQ(run.end, record["end"]);
  ASSERT_EQ(run.phases.size(), record["phases"].size());
  const StoredPhase& open = run.phases.front();
  EXPECT_EQ(open.record_end, (StoredMark{"SN-1_eas.session/session.log", 90, 5}));
  EXPECT_EQ(open.prompts.front().at, "2024-05-01T03:34:56.500Z");
  EXPECT_EQ(open.measurements.front().expected_text, "^OK$");
  const StoredPhase& skipped = run.phases.back();
  EXPECT_EQ(skipped.outcome, "SKIPPED");
  EXPECT_EQ(skipped.start, std::nullopt);
  std::size_t measurements = 0;
  for (const auto& phase : run.phases) measurements += phase.measurements.size();
  std::size_t recorded = 0;
  for (const auto& phase : record["phases"]) recorded += phase["measurements"].size();
  EXPECT_EQ(measurements, recorded);
}

TEST(RecordReaderTest, ARecordWithoutAnIdIsKnownByItsBytes) {
  json record = GoldenRecord();
  record["schema_version"] = 1;
  for (const char* v2 : {"operator", "marginal"}) record.erase(v2);
  record["plan"].erase("revision");
  for (auto& phase : record["phases"]) {
    phase.erase("repeats");
    for (auto& measurement : phase["measurements"]) measurement.erase("attempt");
  }
  const std::string text = record.dump();
  const StoredRun run = ReadRecord(text, "old.json");
  EXPECT_EQ(run.id, DerivedRunId(text));
  EXPECT_EQ(ReadRecord(text, "moved/old.json").id, run.id);
  EXPECT_NE(ReadRecord(record.dump(2), "old.json").id, run.id);
  EXPECT_EQ(run.operator_name, std::nullopt);
  EXPECT_EQ(run.phases.front().repeats, 1);
  EXPECT_EQ(run.phases.front().measurements.front().attempt, 1);
}

TEST(RecordReaderTest, ARecordOutOfFormIsRefusedWithTheFieldNamed) {
  const struct {
    const char* pointer;
    json value;
    const char* named;
  } faults[] = {
      {"/schema_version", 3, "/schema_version"},
      {"/run_id", "not-an-id", "/run_id"},
      {"/unit", "", "/unit"},
      {"/unit", nullptr, "/unit"},
      {"/start", "2024-05-01 03:34:56", "/start"},
      {"/outcome", "SKIPPED", "/outcome"},
      {"/console", "1.4.0", "/console"},
      {"/phases", json::object(), "/phases"},
      {"/phases/0/attempts", -1, "/phases/0/attempts"},
      {"/phases/0/measurements/0/number", "64", "/phases/0/measurements/0/number"},
      {"/phases/0/measurements/0/limit/kind", "between", "/phases/0/measurements/0/limit/kind"},
      {"/phases/0/record/end", json::object(), "/phases/0/record/end/file"},
      {"/phases/0/prompts/0/answered_by", "robot", "/phases/0/prompts/0/answered_by"},
  };
  for (const auto& fault : faults) {
    json record = GoldenRecord();
    record[json::json_pointer(fault.pointer)] = fault.value;
    try {
      ReadRecord(record.dump(), "r.json");
      ADD_FAILURE() << fault.pointer << " taken as " << fault.value;
    } catch (const RecordRefusal& refused) {
      EXPECT_NE(std::string(refused.what()).find(fault.named), std::string::npos)
          << fault.pointer << ": " << refused.what();
    }
  }
  const std::string not_records[] = {"", "{", "[]", "null", std::string(100000, '[')};
  for (const std::string& not_a_record : not_records) {
    EXPECT_THROW(ReadRecord(not_a_record, "r.json"), RecordRefusal) << not_a_record.substr(0, 9);
  }
}

}  // namespace
}  // namespace results
