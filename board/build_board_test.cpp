#include "board/build_board.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "platform/ports/board.h"
#include "platform/terminal/crt_stdio.h"
#include "platform/terminal/debug_port.h"
#include "platform/terminal/devices.h"
#include "platform/terminal/handles.h"
#include "platform/terminal/kernel.h"
#include "platform/terminal/message_loop.h"
#include "platform/terminal/serial.h"
#include "platform/terminal/volumes.h"
#include "sim/driver_journal.h"
#include "sim/eas_driver.h"
#include "sim/serial_link.h"
#include "testing/temp_dir.h"
#include "testing/test_dialog.h"
#include "testing/tty_end.h"
#include "testing/watchdog.h"

namespace board {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string ContentOf(const fs::path& file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Builds and installs a board in a fresh sandbox, the way the console starts.
class BuildBoardTest : public ::testing::Test {
 protected:
  ~BuildBoardTest() override { platform::InstallBoard({}); }

  fs::path Sandbox() const { return dir_.path() / "sandbox"; }

  void Start(std::optional<std::string> profile = std::nullopt) {
    BoardOptions options{Sandbox(), std::nullopt};
    if (profile) {
      options.profile = dir_.path() / "board.toml";
      std::ofstream(*options.profile) << *profile;
    }
    platform::InstallBoard(BuildBoard(options));
  }

  static HANDLE Open(LPCWSTR device) {
    return CreateFileW(device, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  }

  // A serial port opened as the console opens it, whose reads wait for all they ask for (up to a
  // guard of ten seconds).
  static HANDLE OpenPort(LPCWSTR port) {
    const HANDLE handle = Open(port);
    const COMMTIMEOUTS wait_for_all{0, 0, 10000, 0, 10000};
    if (handle != INVALID_HANDLE_VALUE) SetCommTimeouts(handle, &wait_for_all);
    return handle;
  }

  static std::string ReadPort(HANDLE port, std::size_t count) {
    std::string bytes(count, '\0');
    DWORD read = 0;
    ::ReadFile(port, bytes.data(), static_cast<DWORD>(count), &read, nullptr);
    bytes.resize(read);
    return bytes;
  }

  static bool WritePort(HANDLE port, std::string_view bytes) {
    DWORD written = 0;
    return ::WriteFile(port, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
  }

  fs::path FarEnd(int port) const { return Sandbox() / "tty" / ("COM" + std::to_string(port)); }

  static bool WriteFile(const char* device_path, const char* text) {
    std::FILE* file = crt::fopen(device_path, "wb");
    if (file == nullptr) return false;
    std::fputs(text, file);
    std::fclose(file);
    return true;
  }

  testing_support::TempDir dir_;
};

TEST_F(BuildBoardTest, WithoutAProfileEverythingLivesInThePrivateSandbox) {
  Start();

  struct stat status {};
  ASSERT_EQ(::stat(Sandbox().c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0700u);
  ASSERT_TRUE(WriteFile("\\SDMMC\\rwtest.txt", "card"));
  EXPECT_EQ(ContentOf(Sandbox() / "volumes" / "SDMMC" / "rwtest.txt"), "card");
  ASSERT_TRUE(WriteFile("\\DataStorage\\rwtest.txt", "store"));
  EXPECT_EQ(ContentOf(Sandbox() / "volumes" / "DataStorage" / "rwtest.txt"), "store");
  EXPECT_EQ(platform::CurrentBoard().ansi_code_page, 949u);

  NKDbgPrintfW(L"CQuorvaneDlg::SW UPDATE \r\n");
  EXPECT_EQ(ContentOf(Sandbox() / "debug.log"), "CQuorvaneDlg::SW UPDATE \r\n");
  for (const char* file : {"debug.log", "drivers.jsonl"}) {
    EXPECT_EQ(fs::status(Sandbox() / file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write)
        << file;
  }

  for (LPCWSTR device : {L"ETC1:", L"MTR1:", L"EAS1:"}) {
    const HANDLE handle = Open(device);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    DWORD value = 1;
    DeviceIoControl(handle, 9120, &value, 4, nullptr, 1, nullptr, nullptr);
    CloseHandle(handle);
  }
  const auto journal = sim::ReadJournal(Sandbox() / "drivers.jsonl");
  ASSERT_EQ(journal.size(), 3u);
  EXPECT_EQ(journal[0]["device"], "ETC1:");
  EXPECT_EQ(journal[1]["device"], "MTR1:");
  EXPECT_EQ(journal[2]["device"], "EAS1:");
}

TEST_F(BuildBoardTest, AProfileMovesAVolumeToAnotherFolder) {
  fs::create_directory(dir_.path() / "card");
  Start("[volumes]\nSDMMC = \"card\"\n");

  ASSERT_TRUE(WriteFile("\\SDMMC\\x", "moved"));
  EXPECT_EQ(ContentOf(dir_.path() / "card" / "x"), "moved");
  EXPECT_FALSE(fs::exists(Sandbox() / "volumes" / "SDMMC" / "x"));
}

TEST_F(BuildBoardTest, AnAbsentVolumeCannotBeOpened) {
  Start("[volumes]\nSDMMC = \"absent\"\n");

  EXPECT_FALSE(WriteFile("\\SDMMC\\rwtest.txt", "lost"));
  EXPECT_FALSE(fs::exists(Sandbox() / "volumes" / "SDMMC" / "rwtest.txt"));
  EXPECT_TRUE(WriteFile("\\DataStorage\\rwtest.txt", "kept"));
}

TEST_F(BuildBoardTest, AnAbsentDriverRefusesItsOpensAndTheJournalSaysSo) {
  Start("[drivers]\nMTR1 = \"absent\"\n");

  EXPECT_EQ(Open(L"MTR1:"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  const HANDLE etc = Open(L"ETC1:");
  EXPECT_NE(etc, INVALID_HANDLE_VALUE);
  CloseHandle(etc);

  const auto journal = sim::ReadJournal(Sandbox() / "drivers.jsonl");
  ASSERT_EQ(journal.size(), 1u);
  EXPECT_EQ(journal[0], nlohmann::json::parse(
                            R"({"device":"MTR1:","event":"open refused","reason":"absent"})"));
}

TEST_F(BuildBoardTest, TheProfileSetsTheEasChannelsTheCodePageAndTheEditCapacity) {
  Start("ansi_code_page = 932\nedit_control_capacity = 5000\n[drivers.EAS1]\n"
        "eas_channels = [26, 0, 0xFFFFFFFF, 4, 5, 6, 7, 8, 9, 10, 11, 12]\n");

  EXPECT_EQ(platform::CurrentBoard().ansi_code_page, 932u);
  EXPECT_EQ(platform::CurrentBoard().edit_control_capacity, 5000u);
  const auto eas =
      std::dynamic_pointer_cast<sim::EasDriver>(platform::CurrentBoard().devices.Find(L"EAS1:"));
  ASSERT_NE(eas, nullptr);
  EXPECT_EQ(eas->Channels()[0], 26u);
  EXPECT_EQ(eas->Channels()[2], 0xFFFFFFFFu);
}

TEST_F(BuildBoardTest, EasReadsTheSandboxsChannelFileAndTheMeterReportsToTheConsolesWindow) {
  Start();
  std::ofstream(Sandbox() / "eas1.toml")
      << "eas_channels = [0x1a, 0, 0xFFFFFFFF, 4, 5, 6, 7, 8, 9, 10, 11, 12]\n";
  std::array<BYTE, 52> block{};
  const DWORD zero = 0;
  const HANDLE eas = Open(L"EAS1:");
  ASSERT_TRUE(
      DeviceIoControl(eas, 8002, const_cast<DWORD*>(&zero), 4, block.data(), 52, nullptr, nullptr));
  CloseHandle(eas);
  EXPECT_EQ(block[0], 0x1a);
  EXPECT_EQ(block[8], 0xFF);

  platform::VirtualClock clock;
  platform::MessageLoop loop{clock};
  testing_support::RecordingProcedure console;
  const HWND dialog = platform::CreateDialogFromTemplate(
      testing_support::TestDialogTemplate(L"QUORVANE", {}), nullptr, &console);
  const HANDLE meter = Open(L"MTR1:");
  DWORD raised = 1;
  DeviceIoControl(meter, 8028, &raised, 4, nullptr, 0, nullptr, nullptr);
  CloseHandle(meter);
  loop.DispatchReady();
  const testing_support::ReceivedMessage last = console.received.back();
  DestroyWindow(dialog);
  EXPECT_EQ(last.message, WM_USER + 630u);
  EXPECT_EQ(last.wParam, 0u);  // reservation low
  EXPECT_EQ(last.lParam, 1);   // boarding raised
}

TEST_F(BuildBoardTest, ABrokenProfileStopsStartUpBeforeAnythingIsMade) {
  try {
    Start("[drivers]\nEAS1 = \"sim\"\nETC1 = 1\n");
    FAIL() << "the broken profile was accepted";
  } catch (const BoardError& error) {
    EXPECT_EQ(std::string(error.what()), (dir_.path() / "board.toml").string() +
                                             ":3: drivers.ETC1 must be \"sim\", \"absent\" or a "
                                             "table, not an integer");
  }
  EXPECT_FALSE(fs::exists(Sandbox()));
}

TEST_F(BuildBoardTest, TheSerialPortsAreSimulatedLinesWithTheModemOnCom2) {
  Start();

  for (int port : {1, 3, 4, 5, 6}) {
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(FarEnd(port)))) << port;
    EXPECT_TRUE(fs::is_character_file(FarEnd(port))) << port;
  }
  EXPECT_FALSE(fs::exists(fs::symlink_status(FarEnd(2))));

  const HANDLE com2 = OpenPort(L"COM2:");
  ASSERT_NE(com2, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(WritePort(com2, "at*rx*mdn?\r\n"));
  const std::string reply = "\r\n*RX*MDN: 01012345678\r\n\r\nOK\r\n";
  EXPECT_EQ(ReadPort(com2, reply.size()), reply);
  CloseHandle(com2);

  const testing_support::TtyEnd device(FarEnd(6));
  const HANDLE com6 = OpenPort(L"COM6:");
  ASSERT_NE(com6, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(WritePort(com6, "com6 data write ok!\r\n"));
  EXPECT_EQ(device.Read(21), "com6 data write ok!\r\n");
  ASSERT_TRUE(device.Write("RING\r\n"));
  EXPECT_EQ(ReadPort(com6, 6), "RING\r\n");
  CloseHandle(com6);
}

TEST_F(BuildBoardTest, TheFarEndsGoWithTheBoardAndAnEarlierRunsAreReplaced) {
  Start();
  platform::InstallBoard({});
  EXPECT_FALSE(fs::exists(fs::symlink_status(FarEnd(1))));

  // As a run that crashed would leave them: pseudo-terminal numbers since given to others.
  fs::create_symlink("/dev/null", FarEnd(1));
  fs::create_symlink("/dev/null", FarEnd(2));
  Start();
  EXPECT_NE(fs::read_symlink(FarEnd(1)), "/dev/null");
  EXPECT_FALSE(fs::exists(fs::symlink_status(FarEnd(2))));

  // A board that replaces this one keeps its own far ends when this one goes.
  platform::InstallBoard(BuildBoard({Sandbox(), std::nullopt}));
  const testing_support::TtyEnd device(FarEnd(1));
  const HANDLE com1 = OpenPort(L"COM1:");
  ASSERT_NE(com1, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(device.Write("still here"));
  EXPECT_EQ(ReadPort(com1, 10), "still here");
  CloseHandle(com1);
}

TEST_F(BuildBoardTest, AProfileFreesCom2TakesAPortAwayAndPutsADeviceOnAnother) {
  // A serial adapter of this machine, with the test as the device plugged into it.
  const sim::SerialLink adapter;
  Start("[serial]\nCOM2 = \"sim\"\nCOM4 = \"absent\"\nCOM5 = \"" + adapter.ConsoleSide().string() +
        "\"\n");

  const testing_support::TtyEnd outside_modem(FarEnd(2));
  const HANDLE com2 = OpenPort(L"COM2:");
  ASSERT_NE(com2, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(WritePort(com2, "at*rx*mdn?\r\n"));
  EXPECT_EQ(outside_modem.Read(12), "at*rx*mdn?\r\n");
  CloseHandle(com2);

  EXPECT_EQ(Open(L"COM4:"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(fs::exists(fs::symlink_status(FarEnd(4))));

  const testing_support::TtyEnd device(adapter.FarEnd());
  const HANDLE com5 = OpenPort(L"COM5:");
  ASSERT_NE(com5, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(WritePort(com5, "hello"));
  EXPECT_EQ(device.Read(5), "hello");
  CloseHandle(com5);
  EXPECT_FALSE(fs::exists(fs::symlink_status(FarEnd(5))));
}

TEST_F(BuildBoardTest, ALoopbackPlugSendsWhatTheConsoleWritesStraightBack) {
  Start("[serial]\nCOM3 = \"loopback\"\n");
  EXPECT_TRUE(fs::is_character_file(FarEnd(3)));

  const HANDLE com3 = OpenPort(L"COM3:");
  ASSERT_NE(com3, INVALID_HANDLE_VALUE);
  const std::string block = "com3 data write ok!\r\n" + std::string(5000, '\x80');
  ASSERT_TRUE(WritePort(com3, block));
  EXPECT_EQ(ReadPort(com3, block.size()), block);
  // The far end still takes bytes from a program of its own.
  const testing_support::TtyEnd outside(FarEnd(3));
  ASSERT_TRUE(outside.Write("RING\r\n"));
  EXPECT_EQ(ReadPort(com3, 6), "RING\r\n");
  CloseHandle(com3);
}

TEST_F(BuildBoardTest, APortMappedToAMissingDeviceStopsStartUpBeforeAnythingIsMade) {
  try {
    Start("[serial]\nCOM5 = \"/dev/ttyUSB-quorvane-missing\"\n");
    FAIL() << "the missing device was accepted";
  } catch (const BoardError& error) {
    EXPECT_EQ(std::string(error.what()),
              (dir_.path() / "board.toml").string() +
                  ":2: serial.COM5: /dev/ttyUSB-quorvane-missing does not exist");
  }
  EXPECT_FALSE(fs::exists(Sandbox()));
}

TEST_F(BuildBoardTest, TheDebugLogAndTheJournalAreNeverWrittenThroughALink) {
  const fs::path outside = dir_.path() / "precious.txt";
  for (const char* file : {"debug.log", "drivers.jsonl"}) {
    Start();
    platform::InstallBoard({});
    std::ofstream(outside) << "precious\n";
    fs::remove(Sandbox() / file);
    fs::create_symlink(outside, Sandbox() / file);

    try {
      Start();
      ADD_FAILURE() << file << " was followed";
    } catch (const BoardError& error) {
      EXPECT_EQ(std::string(error.what()),
                "sandbox: " + (Sandbox() / file).string() + ": is a link; refusing to follow it");
    }
    EXPECT_EQ(ContentOf(outside), "precious\n") << file;
    fs::remove(Sandbox() / file);
  }
}

// A debug port that nobody reads must not hold start-up: the console goes on without it and says
// why. One that someone reads gets the lines, and a reader who stops reading holds no writer.
TEST_F(BuildBoardTest, ADebugPortFifoServesWhileSomeoneReadsItAndIsNeverWaitedFor) {
  const fs::path fifo = dir_.path() / "debug.fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string profile = "debug_port = \"" + fifo.string() + "\"\n";
  {
    const testing_support::Watchdog watchdog(std::chrono::seconds(5), "start-up, nobody reading");
    ::testing::internal::CaptureStderr();
    Start(profile);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find(fifo.string() + " (a FIFO that nobody reads)"), std::string::npos) << said;
    EXPECT_NE(said.find("going on without a debug port"), std::string::npos) << said;
  }
  EXPECT_EQ(platform::CurrentBoard().debug_port, nullptr);
  platform::InstallBoard({});

  const platform::posix::UniqueFd reader(::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  ASSERT_TRUE(reader);
  const testing_support::Watchdog watchdog(std::chrono::seconds(5), "a reader that stopped");
  Start(profile);
  NKDbgPrintfW(L"first line\r\n");
  char line[32] = {};
  EXPECT_EQ(::read(reader.get(), line, sizeof line), 12);
  EXPECT_STREQ(line, "first line\r\n");
  const std::wstring long_text(1000, L'x');  // 200 lines fill the FIFO three times over
  ::testing::internal::CaptureStderr();
  for (int i = 0; i < 200; ++i) NKDbgPrintfW(L"%s\r\n", long_text.c_str());
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("later lines are missing"),
            std::string::npos);
}

// A command's failure shows only once it has ended, after the request has returned.
TEST_F(BuildBoardTest, TheProfileChoosesHowTheRestartIsCarriedOutAndEachIsRecorded) {
  constexpr char kAsked[] = "{\"event\":\"restart\"}\n";
  constexpr char kFailed[] = "{\"event\":\"restart\"}\n{\"event\":\"restart failed\"}\n";
  const struct {
    const char* profile;
    BOOL result;
    const char* record;
  } cases[] = {
      {"", FALSE, ""},  // in place, but nobody here to start again
      {"restart = \"in place\"\n", FALSE, ""},
      {"restart = [\"true\"]\n", TRUE, kAsked},
      {"restart = [\"sh\", \"-c\", \"exit 3\"]\n", TRUE, kFailed},
      {"restart = [\"/nonexistent/reboot\"]\n", FALSE, kFailed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.profile);
    platform::InstallBoard({});
    fs::remove(Sandbox() / "restarts.jsonl");
    Start(std::string(c.profile));
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(KernelIoControl(IOCTL_HAL_REBOOT, nullptr, 0, nullptr, 0, nullptr), c.result);
    const auto give_up = std::chrono::steady_clock::now() + 20s;
    while (ContentOf(Sandbox() / "restarts.jsonl") != c.record &&
           std::chrono::steady_clock::now() < give_up) {
      std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(ContentOf(Sandbox() / "restarts.jsonl"), c.record);
  }
  EXPECT_FALSE(KernelIoControl(IOCTL_HAL_REBOOT + 1, nullptr, 0, nullptr, 0, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
}

// The dialog goes on while the command runs; a second request then starts nothing.
TEST_F(BuildBoardTest, ARestartCommandRunsBesideTheConsoleOneAtATime) {
  Start("restart = [\"sleep\", \"20\"]\n");
  const auto asked = std::chrono::steady_clock::now();
  EXPECT_TRUE(KernelIoControl(IOCTL_HAL_REBOOT, nullptr, 0, nullptr, 0, nullptr));
  EXPECT_LT(std::chrono::steady_clock::now() - asked, 10s);
  EXPECT_FALSE(KernelIoControl(IOCTL_HAL_REBOOT, nullptr, 0, nullptr, 0, nullptr));
  EXPECT_EQ(ContentOf(Sandbox() / "restarts.jsonl"),
            "{\"event\":\"restart\"}\n{\"event\":\"restart\"}\n{\"event\":\"restart failed\"}\n");
}

TEST_F(BuildBoardTest, AnUnsafeSandboxIsABoardError) {
  ASSERT_EQ(::mkdir(Sandbox().c_str(), 0777), 0);
  ASSERT_EQ(::chmod(Sandbox().c_str(), 0777), 0);
  EXPECT_THROW(Start(), BoardError);
}

}  // namespace
}  // namespace board
