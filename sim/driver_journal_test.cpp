#include "sim/driver_journal.h"

#include <gtest/gtest.h>

#include <memory>

#include "sim/sandbox.h"
#include "testing/temp_dir.h"

namespace sim {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> DevicesIn(const fs::path& journal) {
  std::vector<std::string> devices;
  for (const nlohmann::json& entry : ReadJournal(journal)) devices.push_back(entry["device"]);
  return devices;
}

TEST(DriverJournalTest, EachRunStartsANewJournalAndKeepsThePreviousRunsAside) {
  testing_support::TempDir dir;
  const fs::path folder = dir.path() / "sim";
  const fs::path current = folder / kJournalName;
  const fs::path previous = folder / kPreviousJournalName;

  // A run that is killed: nothing of it ends in order, its file stays as it was written.
  auto killed = std::make_unique<DriverJournal>(Sandbox::Prepare(folder));
  killed->RecordRefusedOpen("MTR1:", "absent");
  killed->RecordRefusedOpen("EAS1:", "absent");

  auto restarted = std::make_unique<DriverJournal>(Sandbox::Prepare(folder));
  EXPECT_EQ(DevicesIn(previous), (std::vector<std::string>{"MTR1:", "EAS1:"}));
  EXPECT_TRUE(DevicesIn(current).empty());
  restarted->RecordRefusedOpen("ETC1:", "absent");
  EXPECT_EQ(DevicesIn(current), std::vector<std::string>{"ETC1:"});

  // Only the run before is kept, so the sandbox does not grow from run to run.
  const DriverJournal third(Sandbox::Prepare(folder));
  EXPECT_EQ(DevicesIn(previous), std::vector<std::string>{"ETC1:"});
  EXPECT_TRUE(DevicesIn(current).empty());
}

}  // namespace
}  // namespace sim
