// Real faults under the console as a person runs it: volumes that fill up, turn read-only or are
// pulled out, a far end that goes away, a modem that loses its power, drivers that are not there,
// a console killed outright and a journal with no room left. Each case counts what was lost and
// ends with the console answering.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <cstdint>
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
#include "testing/program_probe.h"
#include "testing/streaming_far_end.h"
#include "testing/test_mount.h"
#include "testing/tty_end.h"
#include "tests/console_process_fixture.h"

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
    fs::path profile = temp_.path() / "board.toml";
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
  // Pulled once the copy is half-way through its second folder.
  const auto give_up = std::chrono::steady_clock::now() + 20s;
  while (CountOf(console->Output(), "Copy:") < kFilesEach * 3 / 2 &&
         std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(2ms);
  }
  card.Pull();
  update.join();

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

// The bytes the console was handed, by its "recvdatasize" lines.
std::size_t BytesReceived(const std::string& output) {
  static const std::regex kSize("recvdatasize:([0-9]+)");
  std::size_t total = 0;
  for (std::sregex_iterator at(output.begin(), output.end(), kSize), end; at != end; ++at) {
    total += std::stoul((*at)[1].str());
  }
  return total;
}

// Waits until the console's standard output has stood still for a while.
std::string SettledOutput(const ChildProcess& console) {
  std::string output = console.Output();
  for (;;) {
    std::this_thread::sleep_for(300ms);
    std::string now = console.Output();
    if (now == output) return now;
    output = std::move(now);
  }
}

// A FIFO on the card is passed over like any file the update cannot copy: the update goes on past
// it, tells it on the debug port, and the console still ends at once when it is told to.
TEST_F(ConsoleFaultTest, AFifoOnTheCardIsPassedOverAndTheConsoleStillStops) {
  const fs::path card = Sandbox() / "volumes/SDMMC/Residentflash";
  auto console = StartConsole();
  fs::create_directories(card);
  ASSERT_EQ(::mkfifo((card / "x").c_str(), 0600), 0);
  std::ofstream(card / "y.txt") << "beside the FIFO";

  ASSERT_EQ(Send(sender::CommandRequest{1055}).status, sender::ExchangeStatus::Replied);
  EXPECT_EQ(Send(sender::ReadRequest{1010}).reply.text, "Copy Completed");
  EXPECT_EQ(ReadFile(Sandbox() / "volumes/ResidentFlash/y.txt"), "beside the FIFO");
  EXPECT_EQ(CountOf(DebugPort(), "CopyFileW \\SDMMC\\Residentflash\\x error=5\r\n"), 1u)
      << DebugPort();
  ::kill(console->pid(), SIGTERM);
  EXPECT_EQ(console->Wait(5s), 0) << console->Errors();
}

// Every byte written before the far end closed reaches the console; a program opening the far
// end afterwards is heard as before.
TEST_F(ConsoleFaultTest, AFarEndClosedInTheMiddleOfAFloodLosesNothingItWrote) {
  auto console = StartConsole();
  Send(sender::CommandRequest{1050});
  Send(sender::CommandRequest{1007});
  std::size_t written = 0;
  {
    testing_support::TtyEnd far_end(Sandbox() / "tty/COM1");
    ASSERT_TRUE(far_end.is_open());
    testing_support::StreamingFarEnd flood(far_end.fd(), 4096, 0ms, 8s);
    ASSERT_TRUE(OutputShows(*console, "recvdatasize"));
    std::this_thread::sleep_for(200ms);
    flood.Stop();
    written = flood.written();
  }
  EXPECT_EQ(BytesReceived(SettledOutput(*console)), written);

  testing_support::TtyEnd again(Sandbox() / "tty/COM1");
  ASSERT_TRUE(again.Write("after the flood\r\n"));
  EXPECT_TRUE(OutputShows(*console, "after the flood\r\n"));
  EXPECT_TRUE(Answers());
  Exit(*console);
}

// The registration's later lines go out while nobody holds the far end: gone, as on a cable with
// nothing plugged in, and not piled up for the next program; the console goes on.
TEST_F(ConsoleFaultTest, AFarEndClosedDuringTheRegistrationHearsNothingStaleAfterwards) {
  auto console = StartConsole({"--board", WriteProfile("[serial]\nCOM2 = \"sim\"\n").string()});
  std::optional<testing_support::TtyEnd> far_end(Sandbox() / "tty/COM2");
  Send(sender::CommandRequest{1011});
  Send(sender::CommandRequest{1007});
  EXPECT_EQ(far_end->Read(12), "at*rx*mdn?\r\n");
  Send(sender::TextRequest{1017, "0101234567"});
  std::thread registration([&] { Send(sender::CommandRequest{1061}); });
  EXPECT_EQ(far_end->Read(31), "AT*RX*SVCMODE=#120437586#315#\r\n");
  far_end.reset();
  registration.join();

  far_end.emplace(Sandbox() / "tty/COM2");
  Send(sender::CommandRequest{1047});
  EXPECT_EQ(far_end->Read(16), "AT+CHV\r\nAT+CAD?\r");
  EXPECT_TRUE(Answers());
  Exit(*console);
}

// "Power Off" pressed while the dial pauses runs once the dial is through; the modem then hears
// nothing, and answers again once its power is back.
TEST_F(ConsoleFaultTest, TheModemPoweredOffDuringADialFallsSilentUntilItsPowerComesBack) {
  auto console = StartConsole();
  Send(sender::CommandRequest{1011});
  Send(sender::CommandRequest{1007});
  Send(sender::TextRequest{1017, "01012345678"});
  const auto in_service = [&] { return CountOf(console->Output(), "+CAD: 1"); };
  std::thread dial([&] { Send(sender::CommandRequest{1044}); });
  ASSERT_TRUE(OutputShows(*console, "+CAD: 1"));
  Send(sender::CommandRequest{1059});
  dial.join();

  Send(sender::CommandRequest{1044});
  SettledOutput(*console);
  EXPECT_EQ(in_service(), 1u);
  EXPECT_TRUE(Answers());

  Send(sender::CommandRequest{1058});
  Send(sender::CommandRequest{1044});
  EXPECT_TRUE(OutputShows(*console, "+CAD: 1", console->Output().find("+CAD: 1") + 1));
  const auto journal = sim::ReadJournal(Sandbox() / "drivers.jsonl");
  std::vector<std::uint32_t> power;
  for (const auto& entry : journal) {
    if (entry.value("code", 0u) == 9125u) power.push_back(entry["input"].get<std::uint32_t>());
  }
  EXPECT_EQ(power, (std::vector<std::uint32_t>{0, 1}));
  Exit(*console);
}

// A command that uses a driver gives its message box for each open and goes on.
TEST_F(ConsoleFaultTest, EveryCallOnAnAbsentDriverGivesItsMessageBoxAndTheConsoleGoesOn) {
  struct CallSite {
    const char* what;
    std::vector<sender::Action> actions;
    const char* device;
    const char* box;
    std::size_t opens;
  };
  const auto command = [](std::int64_t id) { return sender::Action{sender::CommandRequest{id}}; };
  const auto tick = [](std::int64_t id) {
    return sender::Action{sender::MessageRequest{kWmTimer, id, 0}};
  };
  constexpr char kEtc[] = "ETC IO Send CreateFile Error";
  constexpr char kNavi[] = "Navi IO Send CreateFile Error";
  constexpr char kEas[] = "EAS IO Send CreateFile Error";
  const std::vector<CallSite> sites = {
      {"a line switched", {command(1030), command(1033)}, "ETC1:", kEtc, 1},
      {"the modem's power on", {command(1058)}, "ETC1:", kNavi, 1},
      {"the modem's power off", {command(1059)}, "ETC1:", kNavi, 1},
      {"a port opened", {command(1050), command(1007)}, "ETC1:", kNavi, 1},
      {"a call answered", {command(1046)}, "ETC1:", kNavi, 1},
      {"reservation on", {command(1070)}, "MTR1:", kNavi, 3},
      {"boarding", {command(1071)}, "MTR1:", kNavi, 2},
      {"vacant", {command(1072)}, "MTR1:", kNavi, 3},
      {"a meter cycle step", {tick(10), command(1056)}, "MTR1:", kNavi, 1},
      {"the EAS read", {command(1034)}, "EAS1:", kEas, 1},
      {"the modem's start pulse", {tick(23)}, "ETC1:", kNavi, 1},
  };
  auto console = StartConsole({"--board", WriteProfile("[drivers]\nETC1 = \"absent\"\n"
                                                       "MTR1 = \"absent\"\nEAS1 = \"absent\"\n")
                                              .string()});
  const auto refusals = [&](const char* device) {
    return CountOf(
        ReadFile(Sandbox() / "drivers.jsonl"),
        ("{\"device\":\"" + std::string(device) + "\",\"event\":\"open refused\"").c_str());
  };
  for (const CallSite& site : sites) {
    SCOPED_TRACE(site.what);
    const std::string box = "message box: " + std::string(site.box) + "\n";
    const std::size_t boxes_before = CountOf(console->Errors(), box.c_str());
    const std::size_t refusals_before = refusals(site.device);
    for (const sender::Action& action : site.actions) {
      const auto line = sender::EncodeRequest({action, sender::Delivery::AfterHandler});
      sender::Exchange(platform::ConsoleSocketIn(Sandbox()), std::get<std::string>(line), 20s);
    }
    EXPECT_EQ(CountOf(console->Errors(), box.c_str()) - boxes_before, site.opens);
    EXPECT_EQ(refusals(site.device) - refusals_before, site.opens);
    EXPECT_TRUE(Answers());
  }
  Exit(*console);
}

// Killed while its file wanders, the console started again finds its sandbox as the killed one
// left it: the file whole where it was, the killed run's requests kept as the previous journal.
TEST_F(ConsoleFaultTest, AConsoleKilledDuringTheStorageTestStartsAgainWithItsFileWhole) {
  const std::string content = RwTestContent();
  const fs::path on_card = Sandbox() / "volumes/SDMMC/rwtest.txt";
  const fs::path in_store = Sandbox() / "volumes/DataStorage/rwtest.txt";
  auto killed = StartConsole();
  Send(sender::CommandRequest{1034});
  Send(sender::CommandRequest{1041});
  const auto give_up = std::chrono::steady_clock::now() + 10s;
  while (!fs::exists(in_store) && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(5ms);
  }
  std::this_thread::sleep_for(500ms);  // half-way to the next move
  ::kill(killed->pid(), SIGKILL);
  EXPECT_EQ(killed->Wait(20s), std::nullopt);
  const bool whole = ReadFile(on_card) == content || ReadFile(in_store) == content;
  EXPECT_TRUE(whole);
  const std::string killed_journal = ReadFile(Sandbox() / "drivers.jsonl");
  EXPECT_EQ(CountOf(killed_journal, "\"device\":\"EAS1:\",\"event\":\"request\""), 1u);

  auto again = StartConsole();
  EXPECT_EQ(ReadFile(on_card), content);
  EXPECT_EQ(ReadFile(Sandbox() / "drivers.previous.jsonl"), killed_journal);
  EXPECT_EQ(ReadFile(Sandbox() / "drivers.jsonl"), "");
  Send(sender::MessageRequest{kWmTimer, kRwTestTimer, 0});
  EXPECT_EQ(ReadFile(in_store), content);
  EXPECT_FALSE(fs::exists(on_card));
  EXPECT_TRUE(Answers());
  Exit(*again);
  EXPECT_FALSE(fs::exists(in_store));
}

// No room for the journal or the debug port: each says so once on standard error, and the
// console goes on with its log pane.
TEST_F(MountedFaultTest, AJournalOrDebugPortWithNoRoomIsToldOnceAndTheConsoleGoesOn) {
  constexpr char kJournalWarning[] =
      "quorvane: the driver journal could not be written; later requests are missing\n";
  constexpr char kDebugPortWarning[] =
      "quorvane: the debug port could not be written; later lines are missing\n";
  struct Case {
    const char* what;
    fs::path volume;
    std::string profile;
    std::size_t journal_warnings;
  };
  const std::vector<Case> cases = {
      {"the sandbox full", Sandbox(), "", 1},
      {"the debug port's disk full", temp_.path() / "debug", "debug_port = \"debug/port.log\"\n",
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto volume = TestMount::SmallFileSystem(c.volume, 1024 * 1024);
    auto console = StartConsole({"--board", WriteProfile(c.profile).string()});
    volume.FillUp();
    for (int round = 0; round < 3; ++round) {
      Send(sender::CommandRequest{1034});
      Send(sender::MessageRequest{1654, 0, 1});
    }
    EXPECT_EQ(CountOf(console->Errors(), kJournalWarning), c.journal_warnings);
    EXPECT_EQ(CountOf(console->Errors(), kDebugPortWarning), 1u);
    const std::string pane = Send(sender::ReadRequest{1010}).reply.text.value_or("");
    EXPECT_EQ(CountOf(pane, "MTR MSG -> W=0, L=1"), 3u);
    EXPECT_TRUE(Answers());
    volume.Free();
    Exit(*console);
  }
}

// A stop that comes at any moment of an in-place restart wins over it: the console ends as a stop
// ends it then, with the dialog's clean-up done, and never comes back.
TEST_F(ConsoleFaultTest, AStopDuringAnInPlaceRestartEndsTheConsoleForGood) {
  const struct {
    const char* moment;
    sender::Delivery delivery;
    std::chrono::milliseconds later;
  } cases[] = {
      {"while the activation check pauses", sender::Delivery::Queued, 40ms},
      {"as the dialog goes", sender::Delivery::AfterHandler, 0ms},
      {"a moment after", sender::Delivery::AfterHandler, 30ms},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.moment);
    auto console = StartConsole();
    const auto request = sender::EncodeRequest({sender::CommandRequest{1073}, c.delivery});
    ASSERT_EQ(
        sender::Exchange(platform::ConsoleSocketIn(Sandbox()), std::get<std::string>(request), 20s)
            .status,
        sender::ExchangeStatus::Replied);
    std::this_thread::sleep_for(c.later);
    ::kill(console->pid(), SIGTERM);

    const std::optional<int> status = console->Wait(20s);
    ASSERT_TRUE(status.has_value()) << "the console came back: " << console->Errors();
    if (*status == 0) {
      EXPECT_EQ(console->Errors(), "");
    } else {  // the stop came once the run was over, as the next one would start
      EXPECT_EQ(*status, 128 + SIGTERM);
      EXPECT_EQ(console->Errors(), "quorvane: start-up ended by SIGTERM\n");
    }
    ExpectNothingLeftBehind();
  }
}

// A restart command runs beside the console, which answers meanwhile; one past its bound is
// killed and the restart has failed, and the console runs on.
TEST_F(ConsoleFaultTest, ARestartCommandThatHangsIsKilledAtItsBoundWhileTheConsoleAnswers) {
  const fs::path profile = WriteProfile("restart = [\"sleep\", \"20\"]\nrestart_timeout_s = 1\n");
  auto console = StartConsole({"--board", profile.string()});
  const auto asked = std::chrono::steady_clock::now();
  EXPECT_EQ(Send(sender::CommandRequest{1073}).status, sender::ExchangeStatus::Replied);
  EXPECT_EQ(Send(sender::ReadRequest{1010}).status, sender::ExchangeStatus::Replied);
  EXPECT_LT(std::chrono::steady_clock::now() - asked, 5s);

  const fs::path restarts = Sandbox() / "restarts.jsonl";
  const std::string failed = "{\"event\":\"restart\"}\n{\"event\":\"restart failed\"}\n";
  const auto give_up = std::chrono::steady_clock::now() + 20s;
  while (ReadFile(restarts) != failed && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_EQ(ReadFile(restarts), failed);
  EXPECT_TRUE(Answers());
  Exit(*console);
}

// The stop does not wait for the command, and takes it along.
TEST_F(ConsoleFaultTest, AStopWhileARestartCommandRunsEndsTheConsoleAndTheCommandAtOnce) {
  const fs::path pid_file = temp_.path() / "command.pid";
  // Far longer than a stop may take.
  const fs::path profile = WriteProfile("restart = [\"sh\", \"-c\", \"echo $$ > " +
                                        pid_file.string() + "; exec sleep 60\"]\n");
  auto console = StartConsole({"--board", profile.string()});
  Send(sender::CommandRequest{1073});
  const auto give_up = std::chrono::steady_clock::now() + 20s;
  std::string pid;
  while (pid.empty() && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(5ms);
    std::ifstream(pid_file) >> pid;
  }
  ASSERT_FALSE(pid.empty());

  const auto stopped = std::chrono::steady_clock::now();
  ::kill(console->pid(), SIGTERM);
  EXPECT_EQ(console->Wait(20s), 0) << console->Errors();
  EXPECT_LT(std::chrono::steady_clock::now() - stopped, 5s);
  EXPECT_TRUE(testing_support::WaitUntilEnded(std::stoi(pid), 5s));
  ExpectNothingLeftBehind();
}

}  // namespace
