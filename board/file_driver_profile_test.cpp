// The board profile's drivers of files: what a profile gives each line, and every path checked
// while the profile is read.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

#include "board/profile.h"
#include "testing/temp_dir.h"

namespace board {
namespace {

namespace fs = std::filesystem;

class FileDriverProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"power", "led", "in_a", "in_b", "ch"}) std::ofstream(Io(name)) << "0";
    ASSERT_EQ(::mkfifo(Io("event").c_str(), 0600), 0);
  }
  fs::path Io(const std::string& name) const { return dir_.path() / name; }
  fs::path Write(const std::string& text) const {
    std::ofstream(dir_.path() / "board.toml") << text;
    return dir_.path() / "board.toml";
  }
  std::string RefusalOf(const std::string& text) const {
    try {
      ReadProfile(Write(text));
    } catch (const BoardError& error) {
      return error.what();
    }
    return "(accepted)";
  }
  std::string At(int line) const {
    return (dir_.path() / "board.toml").string() + ":" + std::to_string(line) + ": ";
  }

  testing_support::TempDir dir_;
};

TEST_F(FileDriverProfileTest, EachLineInputAndChannelGetsItsFileAndHowItReads) {
  const BoardSettings settings = ReadProfile(Write(R"(
[drivers.ETC1]
driver = "files"
9125 = { file = "power", on_exit = "on" }
7001 = { file = "led", on = "255", off = "0", active_low = true }
9124 = "power"
[drivers.MTR1]
driver = "files"
boarding = "led"
input_device = "event"
reservation_in = { switch = 14 }
boarding_in = { switch = 15, active_low = true }
debounce_ms = 5
[drivers.EAS1]
driver = "files"
channels = ["ch", "ch", "ch", "ch", "ch", "ch", "ch", "ch", "ch", "ch", "ch", "ch"]
)"));
  const DriverSetting etc = settings.Driver("ETC1");
  ASSERT_EQ(etc.placement, DriverPlacement::kFiles);
  EXPECT_EQ(etc.files.outputs.size(), 3u);
  EXPECT_EQ(etc.files.outputs.at(9125).on_exit, board_io::OnExit::kOn);
  EXPECT_EQ(etc.files.outputs.at(9124).on_exit, board_io::OnExit::kKeep);
  const board_io::ValueFile& led = etc.files.outputs.at(7001).value;
  EXPECT_EQ(led.file, Io("led"));
  EXPECT_EQ(led.on_text, "255");
  EXPECT_TRUE(led.active_low);

  const DriverSetting meter = settings.Driver("MTR1");
  ASSERT_TRUE(meter.files.meter_inputs);
  EXPECT_EQ(meter.files.outputs.at(8028).value.file, Io("led"));
  EXPECT_EQ(meter.files.meter_inputs->input_device, Io("event"));
  EXPECT_EQ(meter.files.meter_inputs->reservation.switch_code, 14);
  EXPECT_TRUE(meter.files.meter_inputs->boarding.value.active_low);
  EXPECT_EQ(meter.files.meter_inputs->debounce, std::chrono::milliseconds(5));
  EXPECT_EQ(meter.files.meter_inputs->poll_period, board_io::kDefaultPollPeriod);
  EXPECT_EQ(settings.Driver("EAS1").files.channels[11], Io("ch"));
}

TEST_F(FileDriverProfileTest, ADriverOfFilesThatCannotWorkIsRefusedAtItsLine) {
  const std::string etc = "[drivers.ETC1]\ndriver = \"files\"\n";
  const std::string meter = "[drivers.MTR1]\ndriver = \"files\"\n";
  struct Case {
    std::string text;
    std::string refusal;
  };
  for (const Case& c : std::vector<Case>{
           {etc + "9125 = \"nowhere\"\n",
            At(3) + "drivers.ETC1.9125.file: " + Io("nowhere").string() + " does not exist"},
           {etc + "9125 = { file = \".\" }\n",
            At(3) + "drivers.ETC1.9125.file: " + (dir_.path() / "").string() +
                " is a folder, not a value file"},
           {etc + "9125 = \"event\"\n", At(3) + "drivers.ETC1.9125.file: " + Io("event").string() +
                                            " is a FIFO, not a value file"},
           {etc + "7002 = \"led\"\n",
            At(3) + "unknown line \"drivers.ETC1.7002\" (known: 9119, 9120, 9121, 9010, 9124, "
                    "9125, 7001; 7002 switches the line of 7001 on)"},
           {etc + "9125 = { file = \"led\", on = \"1\", off = \"1\\n\" }\n",
            At(3) + "drivers.ETC1.9125 must have different texts for on and off"},
           {etc + "9125 = { file = \"led\", on_exit = \"off \" }\n",
            At(3) + "drivers.ETC1.9125.on_exit must be \"keep\", \"on\" or \"off\", not \"off \""},
           {"[drivers]\nETC1 = \"files\"\n",
            At(2) + "drivers.ETC1: a driver of files needs a table that names its files, with "
                    "driver = \"files\""},
           {meter + "reservation_in = \"in_a\"\n",
            At(1) + "drivers.MTR1: the meter side reports both signals; give both "
                    "reservation_in and boarding_in"},
           {meter + "input_device = \"power\"\n",
            At(3) + "drivers.MTR1.input_device: " + Io("power").string() +
                " is a regular file, not an input device (or a FIFO)"},
           {meter + "input_device = \"event\"\nreservation_in = \"in_a\"\nboarding_in = \"in_b\"\n",
            At(4) + "drivers.MTR1.reservation_in comes from the input device, not a file"},
           {meter + "reservation_in = { switch = 1 }\nboarding_in = \"in_b\"\n",
            At(3) + "drivers.MTR1.reservation_in needs its file: file = PATH"},
           {meter + "reservation_in = { file = \"in_a\", on_exit = \"on\" }\nboarding_in = "
                    "\"in_b\"\n",
            At(3) + "drivers.MTR1.reservation_in is an input: on_exit is for outputs"},
           {"[drivers.EAS1]\ndriver = \"files\"\nchannels = [\"ch\"]\n",
            At(3) + "drivers.EAS1.channels must hold 12 files, one a channel, not 1"},
       }) {
    EXPECT_EQ(RefusalOf(c.text), c.refusal) << c.text;
  }
}

}  // namespace
}  // namespace board
