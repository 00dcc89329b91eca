#include "platform/terminal/volumes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "platform/ports/board.h"
#include "platform/terminal/crt_stdio.h"
#include "testing/temp_dir.h"

namespace {

namespace fs = std::filesystem;

class VolumesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::Board board;
    for (const char* name : {"SDMMC", "DataStorage", "ResidentFlash"}) {
      fs::create_directories(Volume(name));
      board.volumes.Add(fs::path(name).wstring(), Volume(name));
    }
    platform::InstallBoard(std::move(board));
  }
  void TearDown() override { platform::InstallBoard({}); }

  fs::path Volume(const char* name) const { return temp.path() / "volumes" / name; }

  static void WriteFile(const fs::path& file, std::string_view content) {
    std::ofstream(file, std::ios::binary) << content;
  }

  static DWORD RefusalOf(std::wstring_view device_path) {
    DWORD error = ERROR_SUCCESS;
    EXPECT_FALSE(platform::CurrentBoard().volumes.Resolve(device_path, &error).has_value());
    return error;
  }

  testing_support::TempDir temp;
};

TEST_F(VolumesTest, VolumeNamesAndExistingNamesAreFoundWithoutRegardToCase) {
  const auto& volumes = platform::CurrentBoard().volumes;
  fs::create_directories(Volume("ResidentFlash") / "Programs");
  WriteFile(Volume("ResidentFlash") / "Programs" / "Setting.exe", "x");

  EXPECT_EQ(volumes.Resolve(L"\\Residentflash\\"), Volume("ResidentFlash"));
  EXPECT_EQ(volumes.Resolve(L"\\ResidentFlash\\"), Volume("ResidentFlash"));
  EXPECT_EQ(volumes.Resolve(L"\\SDMMC"), Volume("SDMMC"));
  EXPECT_EQ(volumes.Resolve(L"\\residentflash\\PROGRAMS\\setting.EXE"),
            Volume("ResidentFlash") / "Programs" / "Setting.exe");
  // A name that does not exist yet keeps its spelling, below a folder found by case.
  EXPECT_EQ(volumes.Resolve(L"\\RESIDENTFLASH\\programs\\New Folder\\Readme.TXT"),
            Volume("ResidentFlash") / "Programs" / "New Folder" / "Readme.TXT");
}

TEST_F(VolumesTest, ExactSpellingWinsOverANameThatDiffersOnlyInCase) {
  WriteFile(Volume("SDMMC") / "data.bin", "lower");
  WriteFile(Volume("SDMMC") / "DATA.bin", "upper");
  const auto& volumes = platform::CurrentBoard().volumes;
  EXPECT_EQ(volumes.Resolve(L"\\SDMMC\\data.bin"), Volume("SDMMC") / "data.bin");
  EXPECT_EQ(volumes.Resolve(L"\\SDMMC\\DATA.bin"), Volume("SDMMC") / "DATA.bin");
}

TEST_F(VolumesTest, NonAsciiNamesCompareWithoutRegardToCaseToo) {
  WriteFile(Volume("SDMMC") / "Élan 시험.txt", "x");
  EXPECT_EQ(platform::CurrentBoard().volumes.Resolve(L"\\SDMMC\\éLAN 시험.TXT"),
            Volume("SDMMC") / "Élan 시험.txt");
}

// Every name reaches this machine in UTF-8, whether it exists or not, whatever stands beside it;
// a unit UTF-8 cannot carry (a lone surrogate) becomes U+FFFD.
TEST_F(VolumesTest, EachNameIsSpelledInUtf8OnThisMachine) {
  fs::create_directories(Volume("SDMMC") / "시험");
  const auto& volumes = platform::CurrentBoard().volumes;
  EXPECT_EQ(volumes.Resolve(L"\\SDMMC\\시험\\새 폴더\\\\\xD800x\\é.txt\\"),
            Volume("SDMMC") / "시험" / "새 폴더" / "\uFFFDx" / "é.txt");
}

TEST_F(VolumesTest, PathsThatCouldLeaveTheirVolumeAreRefused) {
  fs::create_directories(Volume("SDMMC") / "a");
  EXPECT_EQ(RefusalOf(L"\\SDMMC\\..\\DataStorage\\rwtest.txt"), ERROR_INVALID_NAME);
  EXPECT_EQ(RefusalOf(L"\\SDMMC\\a\\..\\..\\..\\etc"), ERROR_INVALID_NAME);
  EXPECT_EQ(RefusalOf(L"\\SDMMC\\.\\a"), ERROR_INVALID_NAME);
  EXPECT_EQ(RefusalOf(L"\\SDMMC\\a/../../x"), ERROR_INVALID_NAME);
  EXPECT_EQ(RefusalOf(L"\\SDMMC\\/etc/passwd"), ERROR_INVALID_NAME);
  EXPECT_EQ(RefusalOf(std::wstring_view(L"\\SDMMC\\a\0/x", 11)), ERROR_INVALID_NAME);
  EXPECT_EQ(RefusalOf(L"SDMMC\\a"), ERROR_INVALID_NAME);
  EXPECT_EQ(RefusalOf(L""), ERROR_INVALID_NAME);
  EXPECT_EQ(RefusalOf(L"\\Windows\\a"), ERROR_PATH_NOT_FOUND) << "not a volume of this board";
  EXPECT_EQ(RefusalOf(L"\\rwtest.txt"), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(RefusalOf(L"\\"), ERROR_PATH_NOT_FOUND);
}

TEST_F(VolumesTest, LinksOnAVolumeAreRefusedWhateverTheirCase) {
  const fs::path outside = temp.path() / "outside";
  fs::create_directories(outside);
  WriteFile(outside / "secret.txt", "secret");
  fs::create_directory_symlink(outside, Volume("SDMMC") / "escape");
  fs::create_symlink(outside / "secret.txt", Volume("SDMMC") / "link.txt");

  EXPECT_EQ(RefusalOf(L"\\SDMMC\\escape\\secret.txt"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RefusalOf(L"\\SDMMC\\ESCAPE\\secret.txt"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RefusalOf(L"\\SDMMC\\Link.TXT"), ERROR_ACCESS_DENIED);

  EXPECT_EQ(crt::fopen("\\SDMMC\\escape\\secret.txt", "rb"), nullptr);
  EXPECT_FALSE(DeleteFileW(L"\\SDMMC\\link.txt"));
  EXPECT_FALSE(DeleteFileW(L"\\SDMMC\\escape\\secret.txt"));
  EXPECT_TRUE(fs::exists(outside / "secret.txt"));
  EXPECT_TRUE(fs::is_symlink(Volume("SDMMC") / "link.txt"));
}

TEST_F(VolumesTest, FopenCreatesTheStorageTestFile) {
  FILE* created = crt::fopen("\\SDMMC\\rwtest.txt", "wb+");
  ASSERT_NE(created, nullptr);
  const std::vector<char> block(1024, 'r');
  EXPECT_EQ(std::fwrite(block.data(), 1, block.size(), created), 1024u);
  std::fclose(created);
  EXPECT_EQ(fs::file_size(Volume("SDMMC") / "rwtest.txt"), 1024u);

  FILE* reopened = crt::fopen("\\sdmmc\\RWTEST.TXT", "rb");
  ASSERT_NE(reopened, nullptr) << "the same file, named in another case";
  std::vector<char> read(2048);
  EXPECT_EQ(std::fread(read.data(), 1, read.size(), reopened), 1024u);
  std::fclose(reopened);
}

TEST_F(VolumesTest, FopenTakesItsPathInTheAnsiCodePage) {
  // "\SDMMC\시험.txt" in code page 949.
  FILE* file = crt::fopen("\\SDMMC\\\xBD\xC3\xC7\xE8.txt", "wb");
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  EXPECT_TRUE(fs::exists(Volume("SDMMC") / "시험.txt"));
}

TEST_F(VolumesTest, FopenFailsWithoutTheVolumeOrOnARefusedPath) {
  EXPECT_EQ(crt::fopen("\\Windows\\rwtest.txt", "wb"), nullptr);
  EXPECT_EQ(crt::fopen("\\SDMMC\\..\\escaped.txt", "wb"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
  EXPECT_FALSE(fs::exists(Volume("SDMMC").parent_path() / "escaped.txt"));
  EXPECT_EQ(crt::fopen(nullptr, "wb"), nullptr);
}

TEST_F(VolumesTest, DeleteFileWRemovesFilesOnlyAndSaysWhyNot) {
  WriteFile(Volume("DataStorage") / "rwtest.txt", "x");
  EXPECT_TRUE(DeleteFileW(L"\\datastorage\\RWTest.txt"));
  EXPECT_FALSE(fs::exists(Volume("DataStorage") / "rwtest.txt"));

  SetLastError(ERROR_SUCCESS);
  EXPECT_FALSE(DeleteFileW(L"\\DataStorage\\rwtest.txt"));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(DeleteFileW(L"\\DataStorage\\missing\\rwtest.txt"));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(DeleteFileW(L"\\Windows\\rwtest.txt"));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

  fs::create_directories(Volume("DataStorage") / "folder");
  EXPECT_FALSE(DeleteFileW(L"\\DataStorage\\folder"));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(DeleteFileW(L"\\DataStorage\\"));
  EXPECT_TRUE(fs::is_directory(Volume("DataStorage") / "folder"));
}

TEST_F(VolumesTest, DeleteFileWLeavesAReadOnlyFile) {
  const fs::path file = Volume("ResidentFlash") / "locked.dat";
  WriteFile(file, "x");
  fs::permissions(file, fs::perms::owner_write, fs::perm_options::remove);
  EXPECT_FALSE(DeleteFileW(L"\\ResidentFlash\\locked.dat"));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(fs::exists(file));
}

}  // namespace
