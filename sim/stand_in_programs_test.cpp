#include "sim/stand_in_programs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "testing/temp_dir.h"

namespace sim {
namespace {

namespace fs = std::filesystem;

std::string ContentOf(const fs::path& file) {
  std::ostringstream content;
  content << std::ifstream(file).rdbuf();
  return content.str();
}

// What is at a program's path, or on the way to it, stays as it is and nothing is put beside it.
TEST(StandInProgramsTest, NothingThereIsReplacedOrWrittenThrough) {
  struct Case {
    const char* what;
    std::function<void(const fs::path& volumes, const fs::path& outside)> arrange;
    std::function<void(const fs::path& volumes, const fs::path& outside)> check;
  };
  const std::vector<Case> cases = {
      {"a person's program",
       [](const fs::path& v, const fs::path&) {
         fs::create_directories(v / "ResidentFlash" / "Morlune");
         std::ofstream(v / "ResidentFlash" / "Morlune" / "Setting.exe") << "mine";
       },
       [](const fs::path& v, const fs::path&) {
         EXPECT_EQ(ContentOf(v / "ResidentFlash" / "Morlune" / "Setting.exe"), "mine");
       }},
      {"the same name in another case",
       [](const fs::path& v, const fs::path&) {
         std::ofstream(v / "Windows" / "gpsviewer.EXE") << "mine";
       },
       [](const fs::path& v, const fs::path&) {
         EXPECT_EQ(ContentOf(v / "Windows" / "gpsviewer.EXE"), "mine");
         EXPECT_FALSE(fs::exists(v / "Windows" / "GpsViewer.exe"));
       }},
      {"a link on the way",
       [](const fs::path& v, const fs::path& outside) {
         fs::create_directories(v / "ResidentFlash" / "Morlune");
         fs::create_directory_symlink(outside, v / "ResidentFlash" / "Morlune" / "UTIS");
       },
       [](const fs::path&, const fs::path& outside) { EXPECT_TRUE(fs::is_empty(outside)); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing_support::TempDir dir;
    const Sandbox sandbox = Sandbox::Prepare(dir.path() / "sim");
    const fs::path volumes = dir.path() / "sim" / "volumes";
    const fs::path outside = dir.path() / "outside";
    fs::create_directories(outside);
    c.arrange(volumes, outside);
    SeedStandInPrograms(sandbox);
    c.check(volumes, outside);
  }
}

}  // namespace
}  // namespace sim
