#include "sim/eas_driver.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <fstream>
#include <functional>
#include <string>

#include "sim/eas_channel_file.h"
#include "sim/sandbox.h"
#include "testing/temp_dir.h"

namespace sim {
namespace {

constexpr EasChannels kBoardChannels{101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112};

// EAS1: on a sandbox, with its eas1.toml written the way a technician would.
class EasChannelFileTest : public ::testing::Test {
 protected:
  std::filesystem::path File() const { return dir_.path() / "eas1.toml"; }

  void Write(const std::string& text) const { std::ofstream(File()) << text; }

  // One read as the console makes it: the channels on success, else the error.
  struct Read {
    bool ok;
    EasChannels channels;
    DWORD error;
  };
  Read ReadChannels() {
    std::array<BYTE, EAS_BLOCK_SIZE> block{};
    const DWORD zero = 0;
    if (!driver_.IoControl(IOCTL_EAS_READ, &zero, 4, block.data(), EAS_BLOCK_SIZE, nullptr)) {
      return {false, {}, GetLastError()};
    }
    EasChannels channels{};
    for (std::size_t i = 0; i < channels.size(); ++i) {
      channels[i] = DWORD{block[4 * i]} | DWORD{block[4 * i + 1]} << 8 |
                    DWORD{block[4 * i + 2]} << 16 | DWORD{block[4 * i + 3]} << 24;
    }
    return {true, channels, ERROR_SUCCESS};
  }

  nlohmann::json LastEntry() const { return ReadJournal(dir_.path() / "drivers.jsonl").back(); }

  testing_support::TempDir dir_;
  std::shared_ptr<const Sandbox> sandbox_ =
      std::make_shared<const Sandbox>(Sandbox::Prepare(dir_.path()));
  EasDriver driver_{std::make_shared<DriverJournal>(*sandbox_), kBoardChannels, sandbox_};
};

TEST_F(EasChannelFileTest, AReadTakesTheChannelsTheFileHoldsNowOrTheBoardsWithoutIt) {
  const struct {
    const char* text;  // null: no file
    EasChannels channels;
    const char* from;
  } cases[] = {
      {nullptr, kBoardChannels, "board"},
      {"eas_channels = [0x1a, 0, 0xFFFFFFFF, 4, 5, 6, 7, 8, 9, 10, 11, 12]\n",
       {0x1a, 0, 0xFFFFFFFF, 4, 5, 6, 7, 8, 9, 10, 11, 12},
       "eas1.toml"},
      {"# set by hand\neas_channels = [\n  1, 2, 3, 4, 5, 6,  # first half\n"
       "  7, 8, 9, 10, 11, 0o17,\n]\n",
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 15},
       "eas1.toml"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(File());
    if (c.text != nullptr) Write(c.text);
    const Read read = ReadChannels();
    ASSERT_TRUE(read.ok) << (c.text ? c.text : "no file");
    EXPECT_EQ(read.channels, c.channels) << (c.text ? c.text : "no file");
    EXPECT_EQ(LastEntry()["state"]["from"], c.from);
  }
}

TEST_F(EasChannelFileTest, AFileThatCannotBeUsedRefusesTheReadWithItsLineAndWhatIsWrong) {
  const std::string file = File().string();
  const std::string twelve = "1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11";
  const struct {
    std::function<void()> make;
    std::string reason;
  } cases[] = {
      {[&] { Write("eas_channels = [" + twelve + "]\n"); },
       file + ":1: eas_channels must hold 12 values, one a channel, not 11"},
      {[&] { Write("\n\neas_channels = [" + twelve + ", 0x100000000]\n"); },
       file + ":3: eas_channels: channel 12 must be from 0 to 4294967295 (0xFFFFFFFF), "
              "not 4294967296"},
      {[&] { Write("eas_channels = [-1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12]\n"); },
       file + ":1: eas_channels: channel 1 must be from 0 to 4294967295 (0xFFFFFFFF), not -1"},
      {[&] { Write("eas_channels = \"" + twelve + "\"\n"); },
       file + ":1: eas_channels must be a list of 12 integers, not a string"},
      {[&] { Write("\nchannels = [" + twelve + ", 12]\n"); },
       file + ":2: unknown setting \"channels\" (known: eas_channels)"},
      {[&] { Write("# nothing yet\n"); }, file + ": eas_channels is missing"},
      {[&] { Write("eas_channels = [" + twelve + ",\n"); }, file + ":1: "},  // TOML's own words
      {[&] { Write(std::string(kMaxEasChannelFileBytes + 1, '\n')); },
       "sandbox: " + file + ": is larger than 16384 bytes; refusing to read it"},
      {[&] { std::filesystem::create_symlink(dir_.path() / "elsewhere.toml", File()); },
       "sandbox: " + file + ": is a link; refusing to follow it"},
      {[&] { ASSERT_EQ(::mkfifo(File().c_str(), 0600), 0); },
       "sandbox: " + file + ": is not a plain file; refusing to read it"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(File());
    c.make();
    ::testing::internal::CaptureStderr();
    const Read read = ReadChannels();
    EXPECT_NE(::testing::internal::GetCapturedStderr().find(c.reason), std::string::npos);
    EXPECT_FALSE(read.ok) << c.reason;
    EXPECT_EQ(read.error, ERROR_INVALID_DATA) << c.reason;
    const auto entry = LastEntry();
    EXPECT_EQ(entry["error"], ERROR_INVALID_DATA);
    EXPECT_EQ(entry["reason"].get<std::string>().substr(0, c.reason.size()), c.reason);
  }
}

TEST_F(EasChannelFileTest, EachFaultIsToldOnceWhileItStaysAndAFixedFileCountsAtOnce) {
  const std::string wrong = "eas_channels = [1]\n";
  const std::string right = "eas_channels = [1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12]\n";
  const struct {
    const std::string& text;
    bool ok;
    int warnings;
  } steps[] = {{wrong, false, 1},
               {wrong, false, 0},
               {"eas_channels = 1\n", false, 1},
               {right, true, 0},
               {wrong, false, 1}};
  for (const auto& step : steps) {
    Write(step.text);
    ::testing::internal::CaptureStderr();
    const Read read = ReadChannels();
    const std::string told = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(read.ok, step.ok) << step.text;
    int warnings = 0;
    for (std::size_t at = told.find("EAS1:"); at != std::string::npos;
         at = told.find("EAS1:", at + 1)) {
      ++warnings;
    }
    EXPECT_EQ(warnings, step.warnings) << step.text;
  }
}

}  // namespace
}  // namespace sim
