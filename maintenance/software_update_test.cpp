// The software update on the simulated terminal's volumes: real files and folders on the SD card
// and in the resident flash, attributes set as a person would (the write bit and the extended
// attribute), the pauses on the virtual clock.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/xattr.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "testing/console_fixture.h"

namespace {

using namespace console_testing;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

class SoftwareUpdateTest : public ConsoleTest {
 protected:
  fs::path Card() const { return Volume("SDMMC") / "Residentflash"; }
  fs::path Flash() const { return Volume("ResidentFlash"); }

  static void Write(const fs::path& file, const std::string& content) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
  }
  static std::string Read(const fs::path& file) {
    std::ostringstream content;
    content << std::ifstream(file, std::ios::binary).rdbuf();
    return content.str();
  }
  // What `chmod a-w` and `setfattr -n user.quorvane.attributes -v 0x20` do to a file.
  static void MakeReadOnly(const fs::path& file, bool archive) {
    if (archive) {
      ASSERT_EQ(::setxattr(file.c_str(), "user.quorvane.attributes", "0x20", 4, 0), 0);
    }
    fs::permissions(file, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
  }
  std::string DebugLog() const { return Read(Sandbox() / "debug.log"); }
  // The console on a resident flash that holds only what the test puts there, without the
  // launcher's stand-ins.
  void StartOnAnEmptyFlash() {
    Start();
    for (const auto& entry : fs::directory_iterator(Flash())) fs::remove_all(entry.path());
  }
};

TEST_F(SoftwareUpdateTest, ReplacesTheFlashWithTheCardsTreeKeepingDotFoldersAndReadOnlyFiles) {
  if (!temp_.HoldsUserAttributes()) {
    GTEST_SKIP() << "the temporary folder's file system keeps no user extended attributes";
  }
  StartOnAnEmptyFlash();
  Write(Card() / "A" / "b.txt", "card b");
  Write(Card() / "A" / "B" / "deep.txt", "card deep");
  Write(Card() / "top.bin", "card top");
  Write(Card() / ".x" / "hidden.txt", "card hidden");
  Write(Card() / ".dotfile", "card dot file");
  Write(Card() / "locked.bin", "card locked");

  Write(Flash() / "top.bin", "old top");
  Write(Flash() / "old.txt", "old");
  Write(Flash() / "Dir" / "one", "1");
  Write(Flash() / "Dir" / "two", "2");
  Write(Flash() / ".keep" / "inside.txt", "kept");
  Write(Flash() / "Holder" / ".x" / "inside.txt", "kept too");
  Write(Flash() / ".y", "old dot file");
  Write(Flash() / "archived.bin", "read-only and archive");
  MakeReadOnly(Flash() / "archived.bin", true);
  Write(Flash() / "locked.bin", "old locked");
  MakeReadOnly(Flash() / "locked.bin", false);
  Write(Flash() / "Locker" / "locked.txt", "locked in a folder");
  MakeReadOnly(Flash() / "Locker" / "locked.txt", false);

  const auto started = clock.Now();
  Command(IDC_BTN_UPDATE);
  EXPECT_EQ(clock.Now() - started, 2000ms);

  struct Expected {
    const char* path;
    const char* content;  // null: the entry is gone
  };
  const std::vector<Expected> expected = {
      {"A/b.txt", "card b"},
      {"A/B/deep.txt", "card deep"},
      {"top.bin", "card top"},        // an existing target is overwritten
      {".dotfile", "card dot file"},  // a file beginning with "." is copied
      {".x", nullptr},                // a folder beginning with "." is not
      {"old.txt", nullptr},
      {"Dir", nullptr},                      // emptied, then removed
      {".y", nullptr},                       // a file beginning with "." is deleted
      {".keep/inside.txt", "kept"},          // a folder beginning with "." stays whole
      {"Holder/.x/inside.txt", "kept too"},  // and so does the folder that holds it
      {"archived.bin", nullptr},             // exactly 0x21: made normal and deleted
      {"locked.bin", "old locked"},          // 0x01 stays, and a copy cannot replace it
      {"Locker/locked.txt", "locked in a folder"},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.path);
    if (e.content == nullptr) {
      EXPECT_FALSE(fs::exists(fs::symlink_status(Flash() / e.path)));
    } else {
      EXPECT_EQ(Read(Flash() / e.path), e.content);
    }
  }
  EXPECT_EQ(LogText(), L"Copy Completed");
  const auto& lines = front_end.set_texts;
  for (const wchar_t* line :
       {L"Delete:\\ResidentFlash\\locked.bin", L"Delete Dir:\\ResidentFlash\\Dir\\",
        L"Delete Dir:\\ResidentFlash\\Holder\\", L"Copy:\\Residentflash\\A\\B\\deep.txt"}) {
    EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
  }
  const std::string debug = DebugLog();
  EXPECT_NE(debug.find("CQuorvaneDlg::SW UPDATE \r\n"), std::string::npos);
  EXPECT_NE(debug.find("DeleteFileW \\ResidentFlash\\locked.bin error=5"), std::string::npos);
  EXPECT_NE(debug.find("CopyFileW \\SDMMC\\Residentflash\\locked.bin error=5"), std::string::npos);
}

TEST_F(SoftwareUpdateTest, ShowsEachStepAsThePanesWholeTextDepthFirst) {
  StartOnAnEmptyFlash();
  dlg.AppendLog(L"earlier line\r\n");
  Write(Flash() / "A" / "x", "x");
  Write(Card() / "A" / "b.txt", "b");
  front_end.set_texts.clear();
  Command(IDC_BTN_UPDATE);
  const std::vector<std::wstring> expected = {
      L"Delete:\\ResidentFlash\\A\\x", L"Delete Dir:\\ResidentFlash\\A\\", L"Delete Completed",
      L"Copy:\\Residentflash\\A\\b.txt", L"Copy Completed"};
  EXPECT_EQ(front_end.set_texts, expected);
  EXPECT_EQ(LogText(), L"Copy Completed");
}

TEST_F(SoftwareUpdateTest, NamesFromTheCardNeitherLeaveTheVolumesNorStopTheRest) {
  StartOnAnEmptyFlash();
  const fs::path outside = temp_.path() / "outside";
  Write(outside / "secret.txt", "secret");
  Write(Card() / "..\\x", "escape by name");
  Write(Card() / "..\\..\\..\\outside\\secret.txt", "overwrite by name");
  fs::create_symlink(outside / "secret.txt", Card() / "link.txt");
  fs::create_directory_symlink(outside, Card() / "LinkedFolder");
  Write(Card() / "plain.txt", "plain");
  Write(Flash() / ".x" / "keep", "protected");
  Write(Flash() / ".x\\keep", "a name naming the protected file");
  fs::create_symlink(outside / "secret.txt", Flash() / "flash-link");
  fs::create_directory_symlink(outside, Flash() / "FlashLinkedFolder");

  Command(IDC_BTN_UPDATE);

  EXPECT_EQ(Read(outside / "secret.txt"), "secret");
  EXPECT_EQ(std::distance(fs::directory_iterator(outside), fs::directory_iterator()), 1);
  for (const fs::path& escaped : {Volume("SDMMC") / "x", Flash().parent_path() / "x"}) {
    EXPECT_FALSE(fs::exists(escaped)) << escaped;
  }
  EXPECT_EQ(Read(Flash() / "plain.txt"), "plain");
  EXPECT_EQ(Read(Flash() / ".x" / "keep"), "protected");
  EXPECT_FALSE(fs::exists(Flash() / "link.txt"));
  EXPECT_FALSE(fs::exists(Flash() / "LinkedFolder"));
  EXPECT_EQ(LogText(), L"Copy Completed");

  const std::string debug = DebugLog();
  for (const char* line : {"DeleteFolderTree():: name refused in \\ResidentFlash\\: .x\\keep\r\n",
                           "CopyFolderTree():: name refused in \\SDMMC\\Residentflash\\: ..\\x\r\n",
                           "DeleteFileW \\ResidentFlash\\flash-link error=5\r\n",
                           "DeleteFileW \\ResidentFlash\\FlashLinkedFolder error=5\r\n",
                           "CopyFileW \\SDMMC\\Residentflash\\link.txt error=5\r\n",
                           "CopyFileW \\SDMMC\\Residentflash\\LinkedFolder error=5\r\n"}) {
    EXPECT_NE(debug.find(line), std::string::npos) << line;
  }
}

TEST_F(SoftwareUpdateTest, RefusesACardWithoutAnUpdateBeforeDeletingAnything) {
  struct Case {
    const char* what;
    void (*prepare)(const fs::path& card);
  };
  const std::vector<Case> cases = {
      {"missing", [](const fs::path&) {}},
      {"empty", [](const fs::path& card) { fs::create_directories(card); }},
      {"only a dot folder",
       [](const fs::path& card) { Write(card / ".x" / "hidden.txt", "hidden"); }},
      {"a file, not a folder", [](const fs::path& card) { Write(card, "not a folder"); }},
  };
  StartOnAnEmptyFlash();
  Write(Flash() / "program.exe", "installed");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(Card());
    c.prepare(Card());
    dlg.AppendLog(L"before\r\n");
    const std::wstring log_before = LogText();
    front_end.message_boxes.clear();
    const auto started = clock.Now();
    Command(IDC_BTN_UPDATE);
    ASSERT_EQ(front_end.message_boxes.size(), 1u);
    EXPECT_EQ(front_end.message_boxes[0].text,
              L"SD 카드에 \\SDMMC\\Residentflash\\ 폴더가 없거나 비어 있어 업데이트하지 "
              L"않았습니다.");
    EXPECT_EQ(Read(Flash() / "program.exe"), "installed");
    EXPECT_EQ(LogText(), log_before);
    EXPECT_EQ(clock.Now(), started);
  }
}

}  // namespace
