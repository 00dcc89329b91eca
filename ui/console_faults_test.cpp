// Real faults under the console as a person runs it: volumes that fill up, turn read-only or are
// pulled out, a far end that goes away, a modem that loses its power, drivers that are not there,
// a console killed outright and a journal with no room left. Each case counts what was lost and
// ends with the console answering.
#include <gtest/gtest.h>

#include <signal.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "sim/driver_journal.h"
#include "testing/count_of.h"
#include "testing/streaming_far_end.h"
#include "testing/test_mount.h"
#include "testing/tty_end.h"
#include "ui/console_process_fixture.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using console_process_testing::ConsoleProcessTest;
using testing_support::ChildProcess;
using testing_support::CountOf;
using testing_support::TestMount;

constexpr int kWmTimer = 275;
constexpr int kRwTestTimer = 2;

std::string ReadFile(const fs::path& file) {
  std::ostringstream text;
  text << std::ifstream(file, std::ios::binary).rdbuf();
  return text.str();
}

// What the console writes into the storage test's file.
std::string RwTestContent() {
  std::string content;
  for (int line = 0; line < 64; ++line) {
    char text[17];
    std::snprintf(text, sizeof text, "rwtest line %02d\r\n", line);
    content += text;
  }
  return content;
}

// A file of an update's tree holds its own name, so that a file cut short or put in the wrong
// place shows.
std::string TreeFileContent(const fs::path& relative, std::size_t bytes) {
  std::string content;
  while (content.size() < bytes) content += relative.generic_string() + "\n";
  content.resize(bytes);
  return content;
}

void WriteTree(const fs::path& root, int folders, int files, std::size_t bytes) {
  for (int folder = 0; folder < folders; ++folder) {
    const fs::path sub = "d" + std::to_string(folder);
    fs::create_directories(root / sub);
    for (int file = 0; file < files; ++file) {
      const fs::path relative = sub / ("f" + std::to_string(file) + ".bin");
      std::ofstream(root / relative, std::ios::binary) << TreeFileContent(relative, bytes);
    }
  }
}

// The files below `root`: whole ones (as WriteTree made them), others, and copies under way.
struct TreeCount {
  int whole = 0;
  int broken = 0;
  int temporaries = 0;
};

TreeCount CountTree(const fs::path& root, std::size_t bytes) {
  TreeCount count;
  if (!fs::exists(root)) return count;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    const fs::path relative = fs::relative(entry.path(), root);
    if (relative.filename().string().starts_with(".quorvane-copy")) {
      ++count.temporaries;
    } else if (ReadFile(entry.path()) == TreeFileContent(relative, bytes)) {
      ++count.whole;
    } else {
      ++count.broken;
    }
  }
  return count;
}

class ConsoleFaultTest : public ConsoleProcessTest {
 protected:
  fs::path WriteProfile(const std::string& text) const {
    const fs::path profile = temp_.path() / "board.toml";
    std::ofstream(profile) << text;
    return profile;
  }

  bool Answers() { return Send(sender::ReadRequest{0}).reply.text == "QUORVANE"; }
  std::string DebugPort() const { return ReadFile(Sandbox() / "debug.log"); }
  void Exit(ChildProcess& console) {
    Send(sender::CommandRequest{1006});
    EXPECT_EQ(console.Wait(20s), 0) << console.Errors();
  }
};

// The cases that put file systems of their own in place.
class MountedFaultTest : public ConsoleFaultTest {
 protected:
  void SetUp() override {
    if (const std::string why = testing_support::MountsUnavailable(); !why.empty()) {
      GTEST_SKIP() << "no small file systems on this machine: " << why;
    }
  }
};

// What happens to a volume, and how it comes back.
struct VolumeFault {
  const char* what;
  std::function<void(std::optional<TestMount>&)> strike;
  std::function<void(std::optional<TestMount>&)> mend;
};

constexpr std::size_t kSmallVolume = 64 * 1024;

const VolumeFault kVolumeFaults[] = {
    {"full", [](auto& volume) { volume->FillUp(); }, [](auto& volume) { volume->Free(); }},
    {"read-only", [](auto& volume) { volume->MakeReadOnly(); },
     [](auto& volume) { volume->MakeWritable(); }},
    {"pulled", [](auto& volume) { volume->Pull(); },
     [](auto& volume) {
       const fs::path folder = volume->folder();
       volume.reset();
       volume.emplace(TestMount::SmallFileSystem(folder, kSmallVolume));
     }},
};

// Each tick moves the file from one volume to the other; a destination at fault holds it back
// where it is, whole, and the next tick after the fault is mended moves it.
TEST_F(MountedFaultTest, TheStorageTestsFileStaysWholeWhenItsDestinationFails) {
  const std::string content = RwTestContent();
  for (const VolumeFault& fault : kVolumeFaults) {
    for (const char* destination : {"DataStorage", "SDMMC"}) {
      SCOPED_TRACE(std::string(fault.what) + " " + destination);
      std::map<std::string, std::optional<TestMount>> volumes;
      for (const char* name : {"SDMMC", "DataStorage"}) {
        volumes[name].emplace(TestMount::SmallFileSystem(temp_.path() / name, kSmallVolume));
      }
      auto console = StartConsole({"--board", WriteProfile("[volumes]\nSDMMC = \"SDMMC\"\n"
                                                           "DataStorage = \"DataStorage\"\n")
                                                  .string()});
      const auto tick = [&] { Send(sender::MessageRequest{kWmTimer, kRwTestTimer, 0}); };
      const std::string source = destination == std::string("SDMMC") ? "DataStorage" : "SDMMC";
      if (source == "DataStorage") tick();
      ASSERT_EQ(ReadFile(temp_.path() / source / "rwtest.txt"), content);

      fault.strike(volumes[destination]);
      tick();
      tick();
      EXPECT_EQ(ReadFile(temp_.path() / source / "rwtest.txt"), content);
      EXPECT_FALSE(fs::exists(temp_.path() / destination / "rwtest.txt"));
      fault.mend(volumes[destination]);
      EXPECT_EQ(CountTree(temp_.path() / destination, 0).temporaries, 0);

      tick();
      EXPECT_EQ(ReadFile(temp_.path() / destination / "rwtest.txt"), content);
      EXPECT_FALSE(fs::exists(temp_.path() / source / "rwtest.txt"));
      EXPECT_TRUE(Answers());
      Exit(*console);
    }
  }
}

constexpr std::size_t kTreeFileBytes = 4096;

// The flash takes what fits of the card's 200 files, each whole; every file left out has its
// failure on the debug port, the card keeps everything and the update ends as always.
TEST_F(MountedFaultTest, AnUpdateOntoAFullFlashCopiesWholeFilesAndTellsEachOneLeftOut) {
  auto flash = TestMount::SmallFileSystem(temp_.path() / "flash", 256 * 1024);
  WriteTree(temp_.path() / "card/Residentflash", 4, 50, kTreeFileBytes);
  auto console = StartConsole({"--board", WriteProfile("[volumes]\nSDMMC = \"card\"\n"
                                                       "ResidentFlash = \"flash\"\n")
                                              .string()});
  Send(sender::CommandRequest{1055});

  const TreeCount copied = CountTree(temp_.path() / "flash", kTreeFileBytes);
  const std::size_t left_out = CountOf(DebugPort(), "CopyFolderTree():: CopyFileW");
  EXPECT_GT(copied.whole, 0);
  EXPECT_EQ(copied.broken, 0);
  EXPECT_EQ(copied.temporaries, 0);
  EXPECT_EQ(copied.whole + left_out, 200u);
  EXPECT_EQ(CountOf(DebugPort(), "error=112\r\n"), left_out);
  EXPECT_EQ(CountTree(temp_.path() / "card/Residentflash", kTreeFileBytes).whole, 200);
  EXPECT_EQ(Send(sender::ReadRequest{1010}).reply.text, "Copy Completed");
  Exit(*console);
}

// A read-only flash loses nothing: every delete and copy fails, each one on the debug port.
TEST_F(MountedFaultTest, AnUpdateOntoAReadOnlyFlashLeavesItAsItWas) {
  auto flash = TestMount::SmallFileSystem(temp_.path() / "flash", 256 * 1024);
  WriteTree(temp_.path() / "card/Residentflash", 2, 5, kTreeFileBytes);
  WriteTree(temp_.path() / "flash", 3, 4, kTreeFileBytes);
  auto console = StartConsole({"--board", WriteProfile("[volumes]\nSDMMC = \"card\"\n"
                                                       "ResidentFlash = \"flash\"\n")
                                              .string()});
  const TreeCount before = CountTree(temp_.path() / "flash", kTreeFileBytes);
  flash.MakeReadOnly();
  Send(sender::CommandRequest{1055});

  const TreeCount after = CountTree(temp_.path() / "flash", kTreeFileBytes);
  EXPECT_EQ(after.whole, before.whole);
  EXPECT_EQ(after.broken, before.broken);  // the simulated terminal's stand-in programs
  EXPECT_EQ(CountOf(DebugPort(), "DeleteFolderTree():: DeleteFileW"),
            static_cast<std::size_t>(before.whole + before.broken));
  EXPECT_EQ(CountOf(DebugPort(), "CopyFolderTree():: CopyFileW"), 10u);
  EXPECT_EQ(Send(sender::ReadRequest{1010}).reply.text, "Copy Completed");
  Exit(*console);
}

// The card goes while the update copies 4,000 files: what was copied is whole, nothing is copied
// half, every file or folder that could not be read any more is on the debug port, and the card
// (seen again once it is back) holds all it held.
TEST_F(MountedFaultTest, ACardPulledDuringTheUpdatesCopyLosesNothingThatWasOnIt) {
  constexpr int kFolders = 40;
  constexpr int kFilesEach = 100;
  constexpr std::size_t kBytes = 64;
  const fs::path card_content = temp_.path() / "card-content";
  WriteTree(card_content / "Residentflash", kFolders, kFilesEach, kBytes);
  auto card = TestMount::Bind(card_content, temp_.path() / "card");
  auto console = StartConsole({"--board", WriteProfile("[volumes]\nSDMMC = \"card\"\n").string()});

  std::thread update([&] { Send(sender::CommandRequest{1055}); });
  // Pulled once the copy is into its second folder.
  const bool copying = OutputShows(*console, "Copy:\\Residentflash\\d");
  if (copying) OutputShows(*console, "Copy:\\Residentflash\\d1\\");
  card.Pull();
  update.join();
  ASSERT_TRUE(copying) << console->Output();

  const TreeCount copied = CountTree(Sandbox() / "volumes/ResidentFlash", kBytes);
  const std::string debug_port = DebugPort();
  EXPECT_GE(copied.whole, kFilesEach);
  EXPECT_LT(copied.whole, kFolders * kFilesEach);
  EXPECT_EQ(copied.broken, 0);
  EXPECT_EQ(copied.temporaries, 0);
  // Each file not copied fails by itself, or its whole folder can no longer be listed.
  const std::size_t files_failed = CountOf(debug_port, "CopyFolderTree():: CopyFileW");
  const std::size_t folders_failed = CountOf(debug_port, "CopyFolderTree():: FindFirstFileW");
  EXPECT_GT(files_failed + folders_failed, 0u);
  EXPECT_LE(copied.whole + files_failed + folders_failed * kFilesEach,
            static_cast<std::size_t>(kFolders * kFilesEach));
  EXPECT_GE(copied.whole + files_failed + folders_failed * kFilesEach + kFilesEach,
            static_cast<std::size_t>(kFolders * kFilesEach));
  EXPECT_EQ(CountTree(card_content / "Residentflash", kBytes).whole, kFolders * kFilesEach);
  EXPECT_EQ(Send(sender::ReadRequest{1010}).reply.text, "Copy Completed");
  Exit(*console);
}

// The card goes in the pause before the delete: the flash keeps its software, since there is
// nothing left to put in its place.
TEST_F(MountedFaultTest, ACardPulledBeforeTheUpdatesDeleteLeavesTheFlashAsItWas) {
  WriteTree(temp_.path() / "card-content/Residentflash", 2, 5, kTreeFileBytes);
  auto card = TestMount::Bind(temp_.path() / "card-content", temp_.path() / "card");
  auto console = StartConsole({"--board", WriteProfile("[volumes]\nSDMMC = \"card\"\n").string()});
  const fs::path flash = Sandbox() / "volumes/ResidentFlash";
  WriteTree(flash, 3, 4, kTreeFileBytes);

  std::thread update([&] { Send(sender::CommandRequest{1055}); });
  const auto give_up = std::chrono::steady_clock::now() + 10s;
  while (CountOf(DebugPort(), "CQuorvaneDlg::SW UPDATE \r\n") == 0 &&
         std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(5ms);
  }
  card.Pull();
  update.join();

  EXPECT_EQ(CountTree(flash, kTreeFileBytes).whole, 12);
  EXPECT_NE(console->Errors().find("message box: SD 카드에"), std::string::npos);
  EXPECT_EQ(Send(sender::ReadRequest{1010}).reply.text, "");
  Exit(*console);
}

}  // namespace
