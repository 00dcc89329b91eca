// The console on a board whose vehicle I/O is files: value files, channel files and an input
// device, all in a temporary folder (the input device a FIFO of real input_event records), driven
// through the console's own requests from outside.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/input.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "sim/driver_journal.h"
#include "testing/count_of.h"
#include "tests/console_process_fixture.h"

namespace {

using console_process_testing::ConsoleProcessTest;
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing_support::CountOf;

constexpr int kReservationSwitch = SW_DOCK;
constexpr int kBoardingSwitch = SW_LINEOUT_INSERT;

class ConsoleBoardIoTest : public ConsoleProcessTest {
 protected:
  void SetUp() override {
    fs::create_directory(Io());
    for (const char* name : {"power", "start", "led", "line9121", "reservation", "boarding",
                             "reservation_in", "boarding_in"}) {
      Put(name, "0\n");
    }
    for (int channel = 1; channel <= 12; ++channel) Put("ch" + std::to_string(channel), "0\n");
    Put("ch1", "26\n");
    Put("ch3", "4294967295\n");
    Put("ch12", "12");
  }

  fs::path Io() const { return temp_.path() / "io"; }

  // Whole at once, as the kernel's files change: a poll never sees the file half written.
  void Put(const std::string& name, const std::string& text) const {
    std::ofstream(Io() / (name + ".new")) << text;
    fs::rename(Io() / (name + ".new"), Io() / name);
  }
  // The file's text, its line end set aside.
  std::string Get(const std::string& name) const {
    std::ostringstream text;
    text << std::ifstream(Io() / name).rdbuf();
    std::string value = text.str();
    if (value.ends_with('\n')) value.pop_back();
    return value;
  }

  // Every driver of files; the meter's inputs from value files, or from the FIFO "event".
  std::unique_ptr<testing_support::ChildProcess> StartOnFiles(bool input_device = false) {
    std::string channels;
    for (int channel = 1; channel <= 12; ++channel) {
      channels += (channel > 1 ? ", " : "") + ("\"io/ch" + std::to_string(channel) + "\"");
    }
    std::string inputs =
        "reservation_in = \"io/reservation_in\"\nboarding_in = \"io/boarding_in\"\n";
    if (input_device) {
      inputs = "input_device = \"io/event\"\nreservation_in = { switch = " +
               std::to_string(kReservationSwitch) +
               " }\nboarding_in = { switch = " + std::to_string(kBoardingSwitch) + " }\n";
    }
    std::ofstream(temp_.path() / "board.toml")
        << "[drivers.ETC1]\ndriver = \"files\"\n"
           "9125 = { file = \"io/power\", on_exit = \"off\" }\n"
           "9124 = \"io/start\"\n"
           "9121 = \"io/line9121\"\n"
           "7001 = { file = \"io/led\", on = \"255\", off = \"0\" }\n"
           "[drivers.MTR1]\ndriver = \"files\"\n"
           "reservation = \"io/reservation\"\n"
           "boarding = { file = \"io/boarding\", active_low = true }\n"
        << inputs
        << "poll_ms = 5\ndebounce_ms = 10\n"
           "[drivers.EAS1]\ndriver = \"files\"\nchannels = ["
        << channels << "]\n";
    return StartConsole({"--board", (temp_.path() / "board.toml").string()});
  }

  void Command(int id) { SendFromOutside({"command", std::to_string(id)}); }

  std::vector<nlohmann::json> JournalOf(std::string_view device) const {
    std::vector<nlohmann::json> lines;
    for (auto& line : sim::ReadJournal(Sandbox() / "drivers.jsonl")) {
      if (line["device"] == device) lines.push_back(std::move(line));
    }
    return lines;
  }
};

TEST_F(ConsoleBoardIoTest, TheConsolesRequestsReachTheFilesAndTheMeterInputsReachThePane) {
  auto console = StartOnFiles();
  Command(1058);  // "Power On"
  EXPECT_EQ(Get("power"), "1");
  Command(1059);
  EXPECT_EQ(Get("power"), "0");
  Command(1058);

  // The pair: 7002 with 1 switches the line on, 7001 with 0 off.
  Command(1032);
  Command(1033);
  EXPECT_EQ(Get("led"), "255");
  Command(1033);
  EXPECT_EQ(Get("led"), "0");

  // The meter test cycle, a step for each of its timers; boarding is wired active low.
  const std::vector<std::pair<const char*, std::pair<std::string, std::string>>> steps{
      {"10", {"1", "0"}}, {"11", {"0", "0"}}, {"12", {"0", "0"}}, {"13", {"0", "1"}}};
  for (const auto& [timer, files] : steps) {
    SendFromOutside({"message", "275", timer, "0"});
    EXPECT_EQ(std::make_pair(Get("reservation"), Get("boarding")), files) << "timer " << timer;
  }

  Put("reservation_in", "1\n");
  EXPECT_TRUE(OutputShows(*console, "MTR MSG -> W=1, L=0 (빈차) \r\n"));
  Put("reservation_in", "0\n");
  Put("boarding_in", "1\n");
  EXPECT_TRUE(OutputShows(*console, "MTR MSG -> W=0, L=1 (승차) \r\n"));
  const auto reports = JournalOf("MTR1:");
  EXPECT_NE(std::find_if(reports.begin(), reports.end(),
                         [](const auto& line) {
                           return line["event"] == "report" && line["report"]["lParam"] == 1 &&
                                  line["report"]["posted"] == true;
                         }),
            reports.end());

  Command(1034);
  EXPECT_TRUE(OutputShows(*console, "EAS ch[1]=1a ,ch[2]=0 \r\nEAS ch[3]=ffffffff ,ch[4]=0 \r\n"));
  EXPECT_TRUE(OutputShows(*console, "EAS ch[11]=0 ,ch[12]=c \r\n"));

  // 2536 (a port's open) sets no line and is counted.
  Command(1050);
  Command(1007);
  EXPECT_EQ(JournalOf("ETC1:").back()["state"]["navi_requests"], 1);

  EXPECT_EQ(Get("power"), "1");
  Command(1006);
  EXPECT_EQ(console->Wait(20s), 0);
  EXPECT_EQ(Get("power"), "0");     // on_exit = "off"
  EXPECT_EQ(Get("line9121"), "0");  // never asked: kept as it was
  EXPECT_EQ(console->Errors(), "");
}

std::string SwitchRecords(std::initializer_list<std::pair<int, int>> switches) {
  std::string bytes;
  const auto add = [&](std::uint16_t type, std::uint16_t code, std::int32_t value) {
    input_event event{};
    event.type = type;
    event.code = code;
    event.value = value;
    bytes.append(reinterpret_cast<const char*>(&event), sizeof event);
  };
  for (const auto& [code, value] : switches) add(EV_SW, code, value);
  add(EV_SYN, SYN_REPORT, 0);
  return bytes;
}

TEST_F(ConsoleBoardIoTest, TheInputDevicesSwitchEventsReportOnceTheyHeld) {
  ASSERT_EQ(::mkfifo((Io() / "event").c_str(), 0600), 0);
  auto console = StartOnFiles(/*input_device=*/true);
  const int device = ::open((Io() / "event").c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(device, 0);
  const auto send = [&](const std::string& records) {
    ASSERT_EQ(::write(device, records.data(), records.size()),
              static_cast<ssize_t>(records.size()));
  };
  send(SwitchRecords({{kBoardingSwitch, 1}}));
  EXPECT_TRUE(OutputShows(*console, "MTR MSG -> W=0, L=1 (승차) \r\n"));
  // A blip within the debounce time, then a change that holds.
  send(SwitchRecords({{kReservationSwitch, 1}, {kReservationSwitch, 0}}));
  send(SwitchRecords({{kBoardingSwitch, 0}}));
  EXPECT_TRUE(OutputShows(*console, "MTR MSG -> W=0, L=0 (빈차) \r\n"));
  ::close(device);
  Command(1006);
  EXPECT_EQ(console->Wait(20s), 0);
  EXPECT_EQ(CountOf(console->Output(), "MTR MSG"), 2u) << console->Output();
}

// Each fault fails the requests that need the file with ERROR_INVALID_DATA, the file and the
// fault in the journal, and is told once on standard error however often it recurs.
TEST_F(ConsoleBoardIoTest, EachFaultOfAFileFailsItsRequestsAndIsToldOnce) {
  fs::remove(Io() / "line9121");
  fs::create_symlink("/proc/version", Io() / "line9121");  // a file nobody may write
  auto console = StartOnFiles();
  struct Fault {
    const char* what;
    std::function<void()> cause;
    std::vector<int> commands;
    const char* device;
    std::string reason;
  };
  const std::vector<Fault> faults{
      {"missing",
       [&] { fs::remove(Io() / "power"); },
       {1058, 1059},
       "ETC1:",
       (Io() / "power").string() + ": does not exist"},
      {"not writable",
       [] {},
       {1018, 1033, 1033},
       "ETC1:",
       (Io() / "line9121").string() + ": cannot be"},
      {"a FIFO",
       [&] {
         fs::remove(Io() / "boarding");
         ::mkfifo((Io() / "boarding").c_str(), 0600);
       },
       {1071, 1072},
       "MTR1:",
       (Io() / "boarding").string() + ": is a FIFO, not a value file"},
      {"garbage channel",
       [&] { Put("ch5", "12abc\n"); },
       {1034, 1034},
       "EAS1:",
       (Io() / "ch5").string() + ": holds no whole number"},
      {"garbage input",
       [&] { Put("reservation_in", "maybe\n"); },
       {},
       "MTR1:",
       (Io() / "reservation_in").string() + ": holds neither \"1\" nor \"0\""},
  };
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.what);
    fault.cause();
    for (int command : fault.commands) Command(command);
    if (fault.commands.empty()) {
      const auto give_up = std::chrono::steady_clock::now() + 10s;
      while (console->Errors().find(fault.reason) == std::string::npos &&
             std::chrono::steady_clock::now() < give_up) {
        std::this_thread::sleep_for(5ms);
      }
      std::this_thread::sleep_for(100ms);  // twenty polls more
    } else {
      const auto journal = JournalOf(fault.device);
      EXPECT_EQ(journal.back()["error"], ERROR_INVALID_DATA);
      EXPECT_NE(journal.back()["reason"].get<std::string>().find(fault.reason), std::string::npos)
          << journal.back();
    }
    EXPECT_EQ(CountOf(console->Errors(), fault.reason.c_str()), 1u) << console->Errors();
  }
  EXPECT_TRUE(OutputShows(*console, "EAS ch[1]=0 ,ch[2]=0 \r\n"));
  Command(1006);
  EXPECT_EQ(console->Wait(20s), 0);
}

}  // namespace
