// Listing, making and removing folders on the volumes, on real folders in a temporary folder.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "platform/ports/board.h"
#include "platform/terminal/find_file.h"
#include "platform/terminal/folders.h"
#include "testing/temp_dir.h"

namespace {

namespace fs = std::filesystem;

class FolderCallsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::Board board;
    fs::create_directories(Card());
    board.volumes.Add(L"SDMMC", Card());
    platform::InstallBoard(std::move(board));
  }
  void TearDown() override { platform::InstallBoard({}); }

  fs::path Card() const { return temp.path() / "SDMMC"; }
  static void Write(const fs::path& file, std::string_view content) {
    std::ofstream(file, std::ios::binary) << content;
  }

  // Every entry the listing of `pattern` hands out, by name, with its attributes and size.
  static std::set<std::wstring> List(LPCWSTR pattern) {
    std::set<std::wstring> entries;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(pattern, &data);
    if (find == INVALID_HANDLE_VALUE) return entries;
    do {
      entries.insert(std::wstring(data.cFileName) + L" " + std::to_wstring(data.dwFileAttributes) +
                     L" " + std::to_wstring(data.nFileSizeLow));
    } while (FindNextFileW(find, &data));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindClose(find));
    return entries;
  }

  testing_support::TempDir temp;
};

TEST_F(FolderCallsTest, ListingDescribesEachEntryAsItIsWithoutFollowingLinks) {
  fs::create_directories(Card() / "Folder" / "Inner");
  Write(Card() / "Folder" / "five.txt", "12345");
  Write(Card() / "Folder" / "locked", "");
  fs::permissions(Card() / "Folder" / "locked", fs::perms::owner_write, fs::perm_options::remove);
  fs::create_directory_symlink(Card(), Card() / "Folder" / "loop");
  Write(Card() / "Folder" / std::string("bad\xff", 4), "");

  const std::set<std::wstring> expected = {L"Inner 16 0", L"five.txt 128 5", L"locked 1 0",
                                           L"bad\xFFFD 128 0", L"loop 128 0"};
  EXPECT_EQ(List(L"\\SDMMC\\Folder\\*.*"), expected);
  EXPECT_EQ(List(L"\\sdmmc\\FOLDER\\*"), expected);
}

TEST_F(FolderCallsTest, ListingThatCannotStartSaysWhy) {
  fs::create_directories(Card() / "Empty");
  Write(Card() / "file", "");
  fs::create_directory_symlink(Card() / "Empty", Card() / "link");
  struct Case {
    LPCWSTR pattern;
    DWORD error;
  };
  for (const Case c : {Case{L"\\SDMMC\\Empty\\*.*", ERROR_FILE_NOT_FOUND},
                       Case{L"\\SDMMC\\Missing\\*.*", ERROR_PATH_NOT_FOUND},
                       Case{L"\\SDMMC\\file\\*.*", ERROR_PATH_NOT_FOUND},
                       Case{L"\\SDMMC\\link\\*.*", ERROR_ACCESS_DENIED},
                       Case{L"\\SDMMC\\..\\*.*", ERROR_INVALID_NAME},
                       Case{L"\\SDMMC\\Empty\\*.txt", ERROR_INVALID_PARAMETER},
                       Case{L"*.*", ERROR_INVALID_PARAMETER}}) {
    WIN32_FIND_DATAW data;
    EXPECT_EQ(FindFirstFileW(c.pattern, &data), INVALID_HANDLE_VALUE) << c.pattern;
    EXPECT_EQ(GetLastError(), c.error) << c.pattern;
  }
  EXPECT_FALSE(FindClose(INVALID_HANDLE_VALUE));
}

TEST_F(FolderCallsTest, EntryDeletedWhileListedIsPassedOver) {
  fs::create_directories(Card() / "F");
  for (const char* name : {"a", "b", "c"}) Write(Card() / "F" / name, "");
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(L"\\SDMMC\\F\\*.*", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  std::set<std::wstring> seen = {data.cFileName};
  std::set<std::string> rest = {"a", "b", "c"};
  rest.erase(fs::path(data.cFileName).string());
  fs::remove(Card() / "F" / *rest.begin());  // one that has not been handed out yet
  while (FindNextFileW(find, &data)) seen.insert(data.cFileName);
  EXPECT_EQ(seen.size(), 2u);
  EXPECT_FALSE(seen.count(fs::path(*rest.begin()).wstring()));
  FindClose(find);
}

TEST_F(FolderCallsTest, FoldersAreMadeAndRemovedOnlyWhereTheTerminalAllows) {
  Write(Card() / "file", "");
  fs::create_directories(Card() / "Full");
  Write(Card() / "Full" / "x", "");
  fs::create_directories(Card() / "Locked");
  fs::permissions(Card() / "Locked", fs::perms::owner_write, fs::perm_options::remove);
  fs::create_directory_symlink(Card() / "Full", Card() / "link");
  struct Case {
    const char* what;
    BOOL (*call)(LPCWSTR);
    LPCWSTR path;
    DWORD error;  // ERROR_SUCCESS: the call succeeds
  };
  const auto make = [](LPCWSTR path) { return CreateDirectoryW(path, nullptr); };
  for (const Case& c : {
           Case{"make", make, L"\\SDMMC\\New\\", ERROR_SUCCESS},
           Case{"make again", make, L"\\sdmmc\\NEW", ERROR_ALREADY_EXISTS},
           Case{"make over a file", make, L"\\SDMMC\\file", ERROR_ALREADY_EXISTS},
           Case{"make without parent", make, L"\\SDMMC\\No\\New", ERROR_PATH_NOT_FOUND},
           Case{"make the volume", make, L"\\SDMMC\\", ERROR_ALREADY_EXISTS},
           Case{"make through a link", make, L"\\SDMMC\\link\\New", ERROR_ACCESS_DENIED},
           Case{"remove", RemoveDirectoryW, L"\\SDMMC\\new\\", ERROR_SUCCESS},
           Case{"remove again", RemoveDirectoryW, L"\\SDMMC\\New", ERROR_PATH_NOT_FOUND},
           Case{"remove a full one", RemoveDirectoryW, L"\\SDMMC\\Full\\", ERROR_DIR_NOT_EMPTY},
           Case{"remove a read-only one", RemoveDirectoryW, L"\\SDMMC\\Locked",
                ERROR_ACCESS_DENIED},
           Case{"remove a file", RemoveDirectoryW, L"\\SDMMC\\file", ERROR_DIRECTORY},
           Case{"remove a link", RemoveDirectoryW, L"\\SDMMC\\link", ERROR_ACCESS_DENIED},
           Case{"remove the volume", RemoveDirectoryW, L"\\SDMMC", ERROR_ACCESS_DENIED},
       }) {
    SCOPED_TRACE(c.what);
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(c.call(c.path), c.error == ERROR_SUCCESS ? TRUE : FALSE);
    EXPECT_EQ(GetLastError(), c.error);
  }
  EXPECT_TRUE(fs::is_directory(Card() / "Full"));
  EXPECT_TRUE(fs::is_directory(Card() / "Locked"));
  EXPECT_TRUE(fs::is_symlink(Card() / "link"));
  EXPECT_TRUE(fs::is_directory(Card()));
}

}  // namespace
