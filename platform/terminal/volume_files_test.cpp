// Attributes, copies and streams of files on the volumes, and the debug port's file, on real files
// in a temporary folder.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <system_error>

#include "platform/linux/file_errors.h"
#include "platform/ports/board.h"
#include "platform/terminal/copy_file.h"
#include "platform/terminal/crt_stdio.h"
#include "platform/terminal/debug_port.h"
#include "platform/terminal/file_attributes.h"
#include "testing/not_a_file.h"
#include "testing/temp_dir.h"
#include "testing/watchdog.h"

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
  for (const Case c :
       {Case{L"\\SDMMC\\none.bin", ERROR_FILE_NOT_FOUND},
        Case{L"\\SDMMC\\..\\x", ERROR_INVALID_NAME}, Case{L"\\Windows\\x", ERROR_PATH_NOT_FOUND}}) {
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

// A FIFO would hold a plain open until a far end came, for good on the user-interface thread;
// every open of a file refuses it and the rest at once, as it refuses a link.
TEST_F(VolumeFilesTest, EveryOpenRefusesWhatIsNoRegularFileWithoutWaiting) {
  using testing_support::NotAFile;
  Write(Volume("DataStorage") / "file.bin", "a file");
  const fs::path planted = Volume("SDMMC") / "x";
  const auto stream_error = [](const char* mode) {
    crt::FILE* stream = crt::fopen("\\SDMMC\\x", mode);
    if (stream == nullptr) return GetLastError();
    crt::fclose(stream);
    return DWORD{ERROR_SUCCESS};
  };
  const auto copy_error = [](LPCWSTR from, LPCWSTR to) {
    return CopyFileW(from, to, FALSE) ? DWORD{ERROR_SUCCESS} : GetLastError();
  };
  const struct {
    const char* call;
    std::function<DWORD()> error;
  } opens[] = {
      {"fopen r", [&] { return stream_error("r"); }},
      {"fopen w", [&] { return stream_error("w"); }},
      {"fopen wb+", [&] { return stream_error("wb+"); }},
      {"fopen a", [&] { return stream_error("a"); }},
      {"CopyFileW from it", [&] { return copy_error(L"\\SDMMC\\x", L"\\DataStorage\\y"); }},
      {"CopyFileW onto it", [&] { return copy_error(L"\\DataStorage\\file.bin", L"\\SDMMC\\x"); }},
      {"the debug port's file",
       [&] {
         try {
           platform::OpenDebugPortFile(planted);
           return DWORD{ERROR_SUCCESS};
         } catch (const std::system_error& error) {
           return platform::posix::FileError(error.code().value());
         }
       }},
  };
  for (const NotAFile what : testing_support::kEveryNotAFile) {
    for (const auto& open : opens) {
      const std::string where = testing_support::NameOf(what) + ", " + open.call;
      if (const std::string why = testing_support::Plant(what, planted); !why.empty()) {
        GTEST_SKIP() << "the rest held; " << why;
      }
      const fs::file_type planted_type = fs::symlink_status(planted).type();
      {
        const testing_support::Watchdog watchdog(std::chrono::seconds(5), where);
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(open.error(), ERROR_ACCESS_DENIED) << where;
      }
      EXPECT_EQ(fs::symlink_status(planted).type(), planted_type) << where;
      fs::remove(planted);
    }
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(Volume("DataStorage")), {}), 1);
}

}  // namespace
