#include "sim/sandbox.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "testing/temp_dir.h"

namespace sim {
namespace {

namespace fs = std::filesystem;

mode_t ModeOf(const fs::path& path) {
  struct stat status {};
  EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
  return status.st_mode & 07777;
}

std::string RefusalOf(const fs::path& folder) {
  try {
    Sandbox::Prepare(folder);
  } catch (const SandboxError& error) {
    return error.what();
  }
  return "";
}

TEST(SandboxTest, ANewSandboxAndItsMissingParentsArePrivateToTheUser) {
  testing_support::TempDir dir;
  const fs::path folder = dir.path() / "state" / "quorvane" / "sim";
  const Sandbox sandbox = Sandbox::Prepare(folder);

  EXPECT_EQ(sandbox.Folder(), folder);
  EXPECT_EQ(ModeOf(folder), 0700u);
  EXPECT_EQ(ModeOf(dir.path() / "state"), 0700u);
  for (std::string_view volume : kVolumeNames) {
    EXPECT_TRUE(fs::is_directory(folder / "volumes" / volume)) << volume;
  }
  EXPECT_EQ(sandbox.VolumeFolder("SDMMC"), folder / "volumes" / "SDMMC");
  EXPECT_TRUE(fs::is_directory(folder / "tty"));
  EXPECT_EQ(sandbox.SerialFarEnd(2), folder / "tty" / "COM2");
  EXPECT_EQ(sandbox.ConsoleSocket(), folder / "console.sock");
  EXPECT_EQ(sandbox.DebugLog(), folder / "debug.log");
  EXPECT_EQ(sandbox.JournalFile(), folder / "drivers.jsonl");
}

TEST(SandboxTest, AnExistingSandboxKeepsItsContent) {
  testing_support::TempDir dir;
  const fs::path folder = dir.path() / "sandbox";
  Sandbox::Prepare(folder);
  std::ofstream(folder / "volumes" / "SDMMC" / "kept.txt") << "kept";

  Sandbox::Prepare(folder.string() + "/");  // a trailing slash names the same folder
  EXPECT_TRUE(fs::exists(folder / "volumes" / "SDMMC" / "kept.txt"));
}

TEST(SandboxTest, AFolderOthersMayOnlyReadIsClosedToThem) {
  testing_support::TempDir dir;
  const fs::path folder = dir.path() / "sandbox";
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);

  Sandbox::Prepare(folder);
  EXPECT_EQ(ModeOf(folder), 0700u);
}

TEST(SandboxTest, AFolderOthersMayWriteToIsRefusedAndLeftAsItWas) {
  testing_support::TempDir dir;
  for (const mode_t mode : {0770, 0707}) {
    const fs::path folder = dir.path() / ("sandbox-" + std::to_string(mode));
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(::chmod(folder.c_str(), mode), 0);

    const std::string refusal = RefusalOf(folder);
    EXPECT_NE(refusal.find(folder.string()), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("other users may write to it"), std::string::npos) << refusal;
    EXPECT_EQ(ModeOf(folder), mode);
    EXPECT_FALSE(fs::exists(folder / "volumes"));
  }
}

TEST(SandboxTest, AFolderOfAnotherUserIsRefused) {
  if (::geteuid() != 0) GTEST_SKIP() << "handing a folder to another user takes root";
  testing_support::TempDir dir;
  const fs::path folder = dir.path() / "sandbox";
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);

  const std::string refusal = RefusalOf(folder);
  EXPECT_NE(refusal.find("belongs to another user (uid 65534)"), std::string::npos) << refusal;
  EXPECT_FALSE(fs::exists(folder / "volumes"));
}

TEST(SandboxTest, AFileWhereTheSandboxOrAVolumeShouldBeIsRefused) {
  testing_support::TempDir dir;
  std::ofstream(dir.path() / "plain-file") << "x";
  EXPECT_NE(RefusalOf(dir.path() / "plain-file").find("not a folder"), std::string::npos);

  const fs::path folder = dir.path() / "sandbox";
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  ASSERT_EQ(::mkdir((folder / "volumes").c_str(), 0700), 0);
  std::ofstream(folder / "volumes" / "Windows") << "x";
  const std::string refusal = RefusalOf(folder);
  EXPECT_NE(refusal.find((folder / "volumes" / "Windows").string() + ": is there but not a folder"),
            std::string::npos)
      << refusal;
}

}  // namespace
}  // namespace sim
