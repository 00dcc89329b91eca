// Attributes and copies of files on the volumes, on real files in a temporary folder.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/ports/board.h"
#include "platform/terminal/copy_file.h"
#include "platform/terminal/file_attributes.h"
#include "testing/temp_dir.h"

namespace {

namespace fs = std::filesystem;

constexpr char kNoUserAttributes[] =
    "the temporary folder's file system keeps no user extended attributes";

class VolumeFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::Board board;
    for (const char* name : {"SDMMC", "DataStorage"}) {
      fs::create_directories(Volume(name));
      board.volumes.Add(fs::path(name).wstring(), Volume(name));
    }
    platform::InstallBoard(std::move(board));
  }
  void TearDown() override { platform::InstallBoard({}); }

  fs::path Volume(const char* name) const { return temp.path() / name; }
  static void Write(const fs::path& file, std::string_view content) {
    std::ofstream(file, std::ios::binary) << content;
  }
  static std::string Read(const fs::path& file) {
    std::ostringstream content;
    content << std::ifstream(file, std::ios::binary).rdbuf();
    return content.str();
  }

  testing_support::TempDir temp;
};

TEST_F(VolumeFilesTest, AttributesRoundTripThroughModeAndExtendedAttribute) {
  if (!temp.HoldsUserAttributes()) GTEST_SKIP() << kNoUserAttributes;
  Write(Volume("SDMMC") / "a.bin", "a");
  fs::create_directories(Volume("SDMMC") / "folder");
  EXPECT_EQ(GetFileAttributesW(L"\\SDMMC\\a.bin"), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(GetFileAttributesW(L"\\SDMMC\\folder"), FILE_ATTRIBUTE_DIRECTORY);

  struct Case {
    DWORD set;
    DWORD read;
  };
  for (const Case c : {Case{0x21, 0x21}, Case{0x01, 0x01}, Case{0x80, 0x80}, Case{0x26, 0x26},
                       Case{0x30, 0x20}, Case{0x4000, 0x80}}) {
    ASSERT_TRUE(SetFileAttributesW(L"\\SDMMC\\A.BIN", c.set)) << std::hex << c.set;
    EXPECT_EQ(GetFileAttributesW(L"\\SDMMC\\a.bin"), c.read) << std::hex << c.set;
    const bool writable = (fs::status(Volume("SDMMC") / "a.bin").permissions() &
                           fs::perms::owner_write) != fs::perms::none;
    EXPECT_EQ(writable, (c.read & FILE_ATTRIBUTE_READONLY) == 0) << std::hex << c.set;
  }
  // chmod alone makes a file read-only, as a person would on the simulated terminal.
  fs::permissions(Volume("SDMMC") / "a.bin", fs::perms::owner_write, fs::perm_options::remove);
  EXPECT_EQ(GetFileAttributesW(L"\\SDMMC\\a.bin"), FILE_ATTRIBUTE_READONLY);
}

TEST_F(VolumeFilesTest, MissingFilesAndRefusedPathsAreInvalidWithTheReason) {
  struct Case {
    const wchar_t* path;
    DWORD error;
  };
  for (const Case c : {Case{L"\\SDMMC\\none.bin", ERROR_FILE_NOT_FOUND},
                       Case{L"\\SDMMC\\..\\x", ERROR_INVALID_NAME},
                       Case{L"\\Windows\\x", ERROR_PATH_NOT_FOUND}}) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(GetFileAttributesW(c.path), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_FALSE(SetFileAttributesW(c.path, FILE_ATTRIBUTE_NORMAL));
  }
}

TEST_F(VolumeFilesTest, ACopyCarriesContentsAttributesAndTimeAndReplacesTheTarget) {
  if (!temp.HoldsUserAttributes()) GTEST_SKIP() << kNoUserAttributes;
  const std::string content(3 << 20, 'q');
  Write(Volume("SDMMC") / "src.bin", content);
  ASSERT_TRUE(SetFileAttributesW(L"\\SDMMC\\src.bin", FILE_ATTRIBUTE_ARCHIVE));
  const auto time = fs::last_write_time(Volume("SDMMC") / "src.bin") - std::chrono::hours(5);
  fs::last_write_time(Volume("SDMMC") / "src.bin", time);
  Write(Volume("DataStorage") / "dst.bin", "older and longer than nothing");

  ASSERT_TRUE(CopyFileW(L"\\SDMMC\\src.bin", L"\\DataStorage\\dst.bin", FALSE));
  EXPECT_EQ(Read(Volume("DataStorage") / "dst.bin"), content);
  EXPECT_EQ(GetFileAttributesW(L"\\DataStorage\\dst.bin"), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(fs::last_write_time(Volume("DataStorage") / "dst.bin"), time);
  EXPECT_EQ(std::distance(fs::directory_iterator(Volume("DataStorage")), {}), 1);
}

TEST_F(VolumeFilesTest, ARefusedCopyLeavesTheTargetAsItWasAndNothingBeside) {
  Write(Volume("SDMMC") / "src.bin", "new");
  Write(Volume("DataStorage") / "kept.bin", "old");
  Write(Volume("DataStorage") / "locked.bin", "old");
  ASSERT_TRUE(SetFileAttributesW(L"\\DataStorage\\locked.bin", FILE_ATTRIBUTE_READONLY));
  fs::create_directories(Volume("DataStorage") / "folder");
  struct Case {
    const wchar_t* from;
    const wchar_t* to;
    BOOL fail_if_exists;
    DWORD error;
  };
  for (const Case c : {
           Case{L"\\SDMMC\\src.bin", L"\\DataStorage\\kept.bin", TRUE, ERROR_FILE_EXISTS},
           Case{L"\\SDMMC\\src.bin", L"\\DataStorage\\locked.bin", FALSE, ERROR_ACCESS_DENIED},
           Case{L"\\SDMMC\\src.bin", L"\\DataStorage\\folder", FALSE, ERROR_ACCESS_DENIED},
           Case{L"\\SDMMC\\none.bin", L"\\DataStorage\\kept.bin", FALSE, ERROR_FILE_NOT_FOUND},
           Case{L"\\SDMMC\\src.bin", L"\\DataStorage\\no\\x.bin", FALSE, ERROR_PATH_NOT_FOUND},
           Case{L"\\SDMMC\\src.bin", L"\\ResidentFlash\\x.bin", FALSE, ERROR_PATH_NOT_FOUND},
       }) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(CopyFileW(c.from, c.to, c.fail_if_exists));
    EXPECT_EQ(GetLastError(), c.error);
  }
  EXPECT_EQ(Read(Volume("DataStorage") / "kept.bin"), "old");
  EXPECT_EQ(Read(Volume("DataStorage") / "locked.bin"), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(Volume("DataStorage")), {}), 3);
}

}  // namespace
