#include "report/sample_store.h"

#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "results/store.h"

namespace report_testing {

namespace {

namespace fs = std::filesystem;
using results::StoredMeasurement;
using results::StoredPhase;
using results::StoredRun;

constexpr const char* kRecordFile =
    "T-0412_power-check.session/session-20261201T080000.000Z.part0001.log";

StoredMeasurement Range(std::string name, double value, double low, double high, double band,
                        std::string units) {
  StoredMeasurement m;
  m.name = std::move(name);
  m.value = std::to_string(value);
  m.number = value;
  m.units = std::move(units);
  m.limit_kind = "range";
  m.low = low;
  m.high = high;
  m.marginal_band = band;
  m.outcome = value >= low && value <= high ? "PASS" : "FAIL";
  m.marginal = m.outcome == "PASS" && (value < low + band || value > high - band);
  return m;
}

StoredRun Run(int number, std::string unit, std::string station, std::string day, double vcc,
              double current, std::string modem = "PASS") {
  StoredRun run;
  run.id = std::string(30, '0') + std::to_string(10 + number);
  run.unit = std::move(unit);
  run.plan_name = "power-check";
  run.plan_file = "power-check.toml";
  run.plan_revision = "sha256:0123456789abcdef";
  run.station = std::move(station);
  run.console_version = "1.0";
  run.start = day + "T08:" + std::to_string(10 + number) + ":00.000Z";
  run.end = day + "T08:" + std::to_string(10 + number) + ":30.000Z";
  run.record_file = run.unit + ".json";
  StoredPhase power;
  power.name = "power";
  power.attempts = 1;
  power.start = run.start;
  power.end = run.end;
  power.measurements = {Range("vcc", vcc, 3.0, 3.6, 0.05, "V"),
                        Range("supply current", current, 20, 150, 0, "mA")};
  power.outcome = "PASS";
  for (const auto& m : power.measurements) {
    if (m.outcome == "FAIL") power.outcome = "FAIL";
  }
  StoredPhase phase_modem;
  phase_modem.name = "modem";
  phase_modem.attempts = modem == "PASS" ? 1 : 3;
  phase_modem.outcome = modem;
  phase_modem.message = modem == "PASS" ? "" : "no answer to AT within 5 s";
  run.outcome = power.outcome == "FAIL" ? "FAIL" : modem;
  run.phases = {power, phase_modem};
  return run;
}

constexpr std::string_view kRecordText =
    "2026-12-01T08:14:00.000Z 100.000000 1 start - pid=42\n"
    "2026-12-01T08:14:00.100Z 100.100000 2 tx COM2 bytes=4 hex=41540d0a text=\"AT<CR><LF>\"\n"
    "2026-12-01T08:14:00.200Z 100.200000 3 rx COM2 bytes=6 hex=0d0a4f4b0d0a "
    "text=\"<CR><LF>OK<CR><LF>\"\n"
    "2026-12-01T08:14:00.300Z 100.300000 4 pane 1010 op=insert text=\"vcc 3.31 V<CR><LF>\"\n";

}  // namespace

fs::path WriteSampleStore(const fs::path& records) {
  fs::create_directories(records);
  fs::path file = records / results::kStoreFileName;
  results::ResultsStore store(file);
  const std::vector<StoredRun> runs = {
      Run(0, "T-0410", "st-1", "2026-12-01", 3.30, 80),
      Run(1, kUnitWithoutRecord, "st-1", "2026-12-01", 3.62, 85),
      Run(2, "T-0413", "st-2", "2026-12-01", 3.28, 90, "TIMEOUT"),
      Run(4, kRecordedUnit, "st-1", "2026-12-01", 3.31, 82),
      Run(5, kUnitWithoutRecord, "st-1", "2026-12-02", 3.34, 84),
      Run(6, "T-0414", "st-2", "2026-12-02", 3.04, 160),
      Run(7, kHostileUnit, "st-2", "2026-12-02", 3.33, 79),
      Run(8, "T-0415", "st-1", "2026-12-03", 3.36, 88),
      Run(9, "T-0416", "st-2", "2026-12-03", 3.29, 91, "TIMEOUT"),
  };
  for (StoredRun run : runs) {
    if (run.unit == kRecordedUnit || run.unit == kUnitWithoutRecord) {
      // The first run of the recorded unit keeps its record; the other's was removed since.
      const std::string at = run.unit == kRecordedUnit ? kRecordFile : "gone/session.part0001.log";
      run.phases[0].record_begin = results::StoredMark{at, 0, 1};
      run.phases[0].prompts = {
          {"cable", "Is the supply cable in?", "yes", "operator", "2026-12-01T08:14:00.500Z"}};
      run.phases[0].record_end =
          results::StoredMark{at, static_cast<std::int64_t>(kRecordText.size()), 4};
    }
    store.Store(run);
  }
  fs::create_directories((records / kRecordFile).parent_path());
  std::ofstream(records / kRecordFile, std::ios::binary) << kRecordText;
  return file;
}

}  // namespace report_testing
