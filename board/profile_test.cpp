#include "board/profile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "board/profile_file.h"
#include "testing/not_a_file.h"
#include "testing/temp_dir.h"

namespace board {
namespace {

namespace fs = std::filesystem;

class ProfileTest : public ::testing::Test {
 protected:
  fs::path Write(const std::string& text) {
    std::ofstream(Profile()) << text;
    return Profile();
  }
  fs::path Profile() const { return dir_.path() / "board.toml"; }

  // The refusal's text, which must begin with the file and the line.
  std::string RefusalOf(const std::string& text) {
    try {
      ReadProfile(Write(text));
    } catch (const BoardError& error) {
      return error.what();
    }
    return "(accepted)";
  }
  std::string At(int line) const { return Profile().string() + ":" + std::to_string(line) + ": "; }

  testing_support::TempDir dir_;
};

TEST_F(ProfileTest, AnEmptyProfileLeavesTheSimulatedTerminalAsItIs) {
  const BoardSettings settings = ReadProfile(Write(""));
  EXPECT_EQ(settings.ansi_code_page, 949u);
  EXPECT_EQ(settings.edit_control_capacity, 4'000'000u);
  EXPECT_EQ(settings.restart.command_timeout, std::chrono::seconds(30));
  EXPECT_EQ(settings.Volume("SDMMC").placement, VolumePlacement::kInSandbox);
  EXPECT_EQ(settings.Driver("EAS1").placement, DriverPlacement::kSimulated);
  EXPECT_EQ(settings.Driver("EAS1").eas_channels, sim::kDefaultEasChannels);
  EXPECT_EQ(settings.debug_port.target, DebugPortTarget::kSandboxFile);
  EXPECT_EQ(settings.SerialPort("COM1").placement, SerialPlacement::kSimulated);
  EXPECT_EQ(settings.SerialPort("COM2").placement, SerialPlacement::kModem);
  EXPECT_EQ(settings.SerialPort("COM6").placement, SerialPlacement::kSimulated);
}

TEST_F(ProfileTest, TheExampleProfileReadsAsItsCommentsSay) {
  fs::copy_file(QUORVANE_EXAMPLE_PROFILE, Profile());
  fs::create_directory(dir_.path() / "card");

  const BoardSettings settings = ReadProfile(Profile());
  EXPECT_EQ(settings.ansi_code_page, 949u);
  EXPECT_EQ(settings.debug_port.target, DebugPortTarget::kStandardError);
  EXPECT_EQ(settings.restart.command_timeout, std::chrono::seconds(20));
  EXPECT_EQ(settings.Volume("SDMMC").placement, VolumePlacement::kFolder);
  EXPECT_EQ(settings.Volume("SDMMC").folder, dir_.path() / "card");
  EXPECT_EQ(settings.Volume("DataStorage").placement, VolumePlacement::kInSandbox);
  EXPECT_EQ(settings.Volume("Windows").placement, VolumePlacement::kAbsent);
  EXPECT_EQ(settings.Driver("ETC1").placement, DriverPlacement::kSimulated);
  EXPECT_EQ(settings.Driver("MTR1").placement, DriverPlacement::kAbsent);
  EXPECT_EQ(settings.Driver("EAS1").eas_channels,
            (sim::EasChannels{0x1a, 0, 0xFFFFFFFF, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
  EXPECT_EQ(settings.SerialPort("COM1").placement, SerialPlacement::kSimulated);
  EXPECT_EQ(settings.SerialPort("COM2").placement, SerialPlacement::kSimulated);
  EXPECT_EQ(settings.SerialPort("COM4").placement, SerialPlacement::kAbsent);
  EXPECT_EQ(settings.SerialPort("COM5").placement, SerialPlacement::kSimulated);
  EXPECT_EQ(settings.log.folder, dir_.path() / "records");
  EXPECT_EQ(settings.log.max_files, 10u);
  EXPECT_EQ(settings.bench.meter.answer_delay, std::chrono::milliseconds(50));
}

TEST_F(ProfileTest, SyntaxErrorsNameTheirLine) {
  EXPECT_EQ(RefusalOf("ansi_code_page = 949\n\n[volumes\n").rfind(At(3), 0), 0u)
      << RefusalOf("ansi_code_page = 949\n\n[volumes\n");
  EXPECT_EQ(RefusalOf("ansi_code_page = 949\nansi_code_page = 932\n").rfind(At(2), 0), 0u);
}

TEST_F(ProfileTest, UnknownSettingsAreRefusedAtTheirLine) {
  EXPECT_EQ(RefusalOf("ansi_code_page = 949\nansi_codepage = 932\n"),
            At(2) + "unknown setting \"ansi_codepage\" (known: ansi_code_page, debug_port, "
                    "edit_control_capacity, restart, restart_timeout_s, [volumes], [drivers], "
                    "[serial], [log], [bench])");
  EXPECT_EQ(
      RefusalOf("[volumes]\nSDMMC = \"absent\"\nSDCARD = \"absent\"\n"),
      At(3) + "unknown volume \"SDCARD\" (known: SDMMC, DataStorage, ResidentFlash, Windows)");
  EXPECT_EQ(RefusalOf("[drivers]\nETC2 = \"sim\"\n"),
            At(2) + "unknown driver \"ETC2\" (known: ETC1, MTR1, EAS1)");
  EXPECT_EQ(RefusalOf("[drivers.EAS1]\ndriver = \"sim\"\n\nchannels = []\n"),
            At(4) + "unknown setting \"drivers.EAS1.channels\" (known: driver, eas_channels)");
  EXPECT_EQ(RefusalOf("[serial]\nCOM1 = \"sim\"\nCOM7 = \"sim\"\n"),
            At(3) + "unknown serial port \"COM7\" (known: COM1, COM2, COM3, COM4, COM5, COM6)");
}

TEST_F(ProfileTest, MistypedValuesAreRefusedAtTheirLine) {
  EXPECT_EQ(RefusalOf("ansi_code_page = \"949\"\n"),
            At(1) + "ansi_code_page must be an integer, not a string");
  EXPECT_EQ(RefusalOf("\nvolumes = 3\n"), At(2) + "volumes must be a table, not an integer");
  EXPECT_EQ(RefusalOf("[volumes]\nSDMMC = false\n"),
            At(2) + "volumes.SDMMC must be a folder or \"absent\", not a boolean");
  EXPECT_EQ(RefusalOf("[drivers]\nMTR1 = \"simulated\"\n"),
            At(2) + "drivers.MTR1 must be \"sim\" or \"absent\", not \"simulated\"");
  EXPECT_EQ(RefusalOf("[drivers]\nEAS1 = { eas_channels = \"1 2 3\" }\n"),
            At(2) + "drivers.EAS1.eas_channels must be a list of 12 integers, not a string");
  EXPECT_EQ(RefusalOf("restart = \"warm\"\n"),
            At(1) + "restart must be \"in place\", \"reboot\" or a command as a list, not "
                    "\"warm\"");
  EXPECT_EQ(RefusalOf("restart = []\n"), At(1) + "restart: the command must not be empty");
  EXPECT_EQ(RefusalOf("restart = [\"systemctl\", 1]\n"),
            At(1) + "restart: every word of the command must be a string, not an integer");
}

TEST_F(ProfileTest, SerialPortsAreSimulatedLoopedBackTheModemAbsentOrADeviceOfThisMachine) {
  // A device may be named through a link, as /dev/serial/by-id names USB adapters.
  fs::create_symlink("/dev/null", dir_.path() / "adapter");
  const BoardSettings settings =
      ReadProfile(Write("[serial]\nCOM1 = \"/dev/null\"\nCOM2 = \"sim\"\nCOM3 = \"modem\"\n"
                        "COM4 = \"loopback\"\nCOM5 = \"absent\"\nCOM6 = \"adapter\"\n"));
  EXPECT_EQ(settings.SerialPort("COM1").placement, SerialPlacement::kDevice);
  EXPECT_EQ(settings.SerialPort("COM1").device, "/dev/null");
  EXPECT_EQ(settings.SerialPort("COM2").placement, SerialPlacement::kSimulated);
  EXPECT_EQ(settings.SerialPort("COM3").placement, SerialPlacement::kModem);
  EXPECT_EQ(settings.SerialPort("COM4").placement, SerialPlacement::kLoopback);
  EXPECT_EQ(settings.SerialPort("COM5").placement, SerialPlacement::kAbsent);
  EXPECT_EQ(settings.SerialPort("COM6").placement, SerialPlacement::kDevice);
  EXPECT_EQ(settings.SerialPort("COM6").device, dir_.path() / "adapter");
}

TEST_F(ProfileTest, TheBenchTablesSetEachInstrumentsFaultsAndAreChecked) {
  const BoardSettings settings = ReadProfile(
      Write("[bench.supply]\nextra_load_a = 1.5\nsilent = true\n"
            "[bench.meter]\nanswer_delay_ms = 250\n[bench.relay]\nidn = \"X,RLY-9,0,1\"\n"));
  EXPECT_EQ(settings.bench.supply_extra_load_amps, 1.5);
  EXPECT_TRUE(settings.bench.supply.silent);
  EXPECT_EQ(settings.bench.meter.answer_delay, std::chrono::milliseconds(250));
  EXPECT_EQ(settings.bench.relay.identity, "X,RLY-9,0,1");
  EXPECT_FALSE(settings.bench.relay.silent);

  const std::vector<std::pair<std::string, std::string>> refusals{
      {"[bench.scope]\n",
       At(1) + "unknown instrument \"bench.scope\" (known: supply, meter, relay)"},
      {"[bench.meter]\ndelay = 1\n",
       At(2) + "unknown setting \"bench.meter.delay\" (known: idn, answer_delay_ms, silent, "
               "extra_load_a)"},
      {"[bench.meter]\nextra_load_a = 1\n", At(2) + "extra_load_a belongs to bench.supply only"},
      {"[bench.supply]\nextra_load_a = -1\n",
       At(2) + "bench.supply.extra_load_a must be from 0 to 10 A, not -1.000000"},
      {"[bench.relay]\nanswer_delay_ms = 60001\n",
       At(2) + "bench.relay.answer_delay_ms must be from 0 to 60000, not 60001"},
      {"[bench.relay]\nsilent = 1\n",
       At(2) + "bench.relay.silent must be true or false, not an integer"},
      {"[bench.supply]\nidn = \"A;B\"\n",
       At(2) + "bench.supply.idn must be 1 to 200 printable ASCII characters without ';'"},
  };
  for (const auto& [text, refusal] : refusals) EXPECT_EQ(RefusalOf(text), refusal) << text;
}

TEST_F(ProfileTest, ASerialDeviceMustBeACharacterDeviceThatIsThere) {
  EXPECT_EQ(RefusalOf("[serial]\n\nCOM1 = \"/dev/no-such-adapter\"\n"),
            At(3) + "serial.COM1: /dev/no-such-adapter does not exist");
  // A mistyped keyword is taken for a device, and found missing.
  EXPECT_EQ(RefusalOf("[serial]\nCOM2 = \"modme\"\n"),
            At(2) + "serial.COM2: " + (dir_.path() / "modme").string() + " does not exist");
  EXPECT_EQ(RefusalOf("[serial]\nCOM3 = \"board.toml\"\n"),
            At(2) + "serial.COM3: " + Profile().string() + " is not a character device");
  EXPECT_EQ(RefusalOf("[serial]\nCOM4 = \"/dev\"\n"),
            At(2) + "serial.COM4: /dev is not a character device");
  EXPECT_EQ(RefusalOf("[serial]\nCOM5 = \"\"\n"), At(2) + "serial.COM5 must not be empty");
  EXPECT_EQ(RefusalOf("[serial]\nCOM6 = 6\n"),
            At(2) + "serial.COM6 must be \"sim\", \"loopback\", \"modem\", \"absent\" or a "
                    "device, not an integer");
  EXPECT_EQ(RefusalOf("serial = \"modem\"\n"), At(1) + "serial must be a table, not a string");
}

TEST_F(ProfileTest, EasChannelsMustBeTwelveValuesThatFitInThirtyTwoBits) {
  EXPECT_EQ(RefusalOf("[drivers.EAS1]\neas_channels = [1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11]\n"),
            At(2) + "drivers.EAS1.eas_channels must hold 12 values, one a channel, not 11");
  EXPECT_EQ(RefusalOf("[drivers.EAS1]\neas_channels = [\n  1, 2, 3, 4, 5, 6,\n"
                      "  7, 8, 9, 10, 11, 0x100000000,\n]\n"),
            At(4) + "drivers.EAS1.eas_channels: channel 12 must be from 0 to 4294967295 "
                    "(0xFFFFFFFF), not 4294967296");
  EXPECT_EQ(RefusalOf("[drivers.EAS1]\neas_channels = [-1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12]\n")
                .rfind(At(2) + "drivers.EAS1.eas_channels: channel 1 must be from 0", 0),
            0u);
  EXPECT_EQ(RefusalOf("[drivers.EAS1]\neas_channels = [1.5, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12]\n"),
            At(2) + "drivers.EAS1.eas_channels: channel 1 must be an integer, not a "
                    "floating-point number");
  EXPECT_EQ(RefusalOf("[drivers.ETC1]\neas_channels = [1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12]\n"),
            At(2) + "eas_channels belongs to drivers.EAS1 only");
  EXPECT_EQ(RefusalOf("[drivers.EAS1]\neas_channels = [1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12]\n"
                      "driver = \"absent\"\n"),
            At(2) + "an absent EAS1 has no eas_channels");
}

TEST_F(ProfileTest, ValuesThatCannotWorkOnThisMachineAreRefused) {
  EXPECT_EQ(RefusalOf("ansi_code_page = 0\n"),
            At(1) + "ansi_code_page must be a code page from 1 to 65535, not 0");
  EXPECT_EQ(RefusalOf("ansi_code_page = 12345\n"),
            At(1) + "ansi_code_page 12345: this machine has no converter for that code page");
  EXPECT_EQ(
      RefusalOf("[volumes]\n\nSDMMC = \"no-such-card\"\n"),
      At(3) + "volumes.SDMMC: " + (dir_.path() / "no-such-card").string() + " does not exist");
  EXPECT_EQ(RefusalOf("[volumes]\nSDMMC = \"\"\n"), At(2) + "volumes.SDMMC must not be empty");
  EXPECT_EQ(
      RefusalOf("debug_port = \"missing/debug.log\"\n"),
      At(1) + "debug_port: the folder " + (dir_.path() / "missing").string() + " does not exist");
  EXPECT_EQ(ReadProfile(Write("ansi_code_page = 932\n")).ansi_code_page, 932u);
  for (const char* capacity : {"999", "10000001", "-1"}) {
    EXPECT_EQ(
        RefusalOf("edit_control_capacity = " + std::string(capacity) + "\n"),
        At(1) + "edit_control_capacity must be from 1000 to 10000000 characters, not " + capacity);
  }
  EXPECT_EQ(ReadProfile(Write("edit_control_capacity = 1000\n")).edit_control_capacity, 1000u);
  for (const char* timeout : {"0", "3601"}) {
    EXPECT_EQ(RefusalOf("restart_timeout_s = " + std::string(timeout) + "\n"),
              At(1) + "restart_timeout_s must be from 1 to 3600, not " + timeout);
  }
}

// A FIFO is a debug port for as long as someone reads it, which start-up finds out; a socket, a
// device or a link there is a mistake, told at its line.
TEST_F(ProfileTest, ADebugPortThatIsNeitherAFileNorAFifoIsRefusedAtItsLine) {
  using testing_support::NotAFile;
  const fs::path port = dir_.path() / "port";
  const struct {
    NotAFile what;
    const char* refusal;  // empty: taken
  } cases[] = {{NotAFile::kFifo, ""},
               {NotAFile::kSocket, "is a socket, not a file"},
               {NotAFile::kDanglingLink, "is a link, not a file"},
               {NotAFile::kCharacterDevice, "is a character device, not a file"}};
  for (const auto& c : cases) {
    const std::string what = testing_support::NameOf(c.what);
    if (const std::string why = testing_support::Plant(c.what, port); !why.empty()) {
      GTEST_SKIP() << "the rest held; " << what << ": " << why;
    }
    const std::string expected = *c.refusal == '\0'
                                     ? "(accepted)"
                                     : At(1) + "debug_port: " + port.string() + " " + c.refusal;
    EXPECT_EQ(RefusalOf("debug_port = \"port\"\n"), expected) << what;
    fs::remove(port);
  }
}

// The text form is the same reader: the given name leads every refusal and relative paths are
// the given folder's, whatever the working folder is.
TEST_F(ProfileTest, AProfileTextIsReadAsItsFileWouldBe) {
  fs::create_directory(dir_.path() / "card");
  const BoardSettings settings =
      ReadProfileText("[volumes]\nSDMMC = \"card\"\n", "from memory", dir_.path());
  EXPECT_EQ(settings.Volume("SDMMC").folder, dir_.path() / "card");
  const struct {
    std::string text;
    std::string refusal;
  } cases[] = {
      {"[volumes]\nSDMMC = \"nowhere\"\n",
       "from memory:2: volumes.SDMMC: " + (dir_.path() / "nowhere").string() + " does not exist"},
      {"\n\nansi_code_page = \"949\"\n",
       "from memory:3: ansi_code_page must be an integer, not a string"},
      {"[volumes\n", "from memory:1: "},
  };
  for (const auto& [text, refusal] : cases) {
    try {
      ReadProfileText(text, "from memory", dir_.path());
      ADD_FAILURE() << text << " was accepted";
    } catch (const BoardError& error) {
      EXPECT_EQ(std::string(error.what()).rfind(refusal, 0), 0u) << error.what();
    }
  }
}

TEST_F(ProfileTest, TheLogSectionPlacesAndSizesTheSessionRecord) {
  const BoardSettings settings =
      ReadProfile(Write("[log]\nfolder = \"records\"\nmax_file_bytes = 65536\nmax_files = 4\n"));
  EXPECT_EQ(settings.log.folder, dir_.path() / "records");
  EXPECT_EQ(settings.log.max_file_bytes, 65536u);
  EXPECT_EQ(settings.log.max_files, 4u);
  EXPECT_EQ(ReadProfile(Write("")).log.folder, fs::path()) << "the sandbox's logs/";

  const struct {
    std::string profile;
    std::string refusal;
  } refused[] = {
      {"[log]\nmax_file_bytes = 4095\n",
       At(2) + "log.max_file_bytes must be from 4096 to 1073741824, not 4095"},
      {"[log]\n\nmax_files = 0\n", At(3) + "log.max_files must be from 1 to 1000, not 0"},
      {"[log]\nmax_files = \"4\"\n", At(2) + "log.max_files must be an integer, not a string"},
      {"[log]\nfolder = \"\"\n", At(2) + "log.folder must not be empty"},
      {"[log]\nsize = 1\n",
       At(2) + "unknown setting \"log.size\" (known: folder, max_file_bytes, max_files)"},
      {"log = \"logs\"\n", At(1) + "log must be a table, not a string"},
  };
  for (const auto& [profile, refusal] : refused) EXPECT_EQ(RefusalOf(profile), refusal) << profile;
}

// Start-up must neither wait for a FIFO's writer nor read a device or a huge file into memory.
TEST_F(ProfileTest, OnlyARegularFileOfSaneSizeIsRead) {
  const fs::path fifo = dir_.path() / "fifo.toml";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const fs::path huge = dir_.path() / "huge.toml";
  std::ofstream(huge) << "ansi_code_page = 949\n";
  fs::resize_file(huge, kMaxProfileBytes + 1);
  const struct {
    fs::path file;
    std::string refusal;
  } cases[] = {
      {dir_.path() / "missing.toml", "cannot be read (open: No such file or directory)"},
      {dir_.path(), "is a folder, not a board profile"},
      {fifo, "is a FIFO, not a board profile"},
      {"/dev/zero", "is a character device, not a board profile"},
      {huge, "is larger than a board profile can be (1048576 bytes)"},
  };
  for (const auto& [file, refusal] : cases) {
    try {
      ReadProfile(file);
      ADD_FAILURE() << file << " was accepted";
    } catch (const BoardError& error) {
      EXPECT_EQ(std::string(error.what()), file.string() + ": " + refusal);
    }
  }
  const std::string longest = "#" + std::string(kMaxProfileBytes - 2, 'x') + "\n";
  EXPECT_EQ(ReadProfile(Write(longest)).ansi_code_page, 949u) << "the limit itself is allowed";
}

}  // namespace
}  // namespace board
