// The real quorvane-station in its window on an X server of the test's own, a scanner's lines
// typed by a real keyboard (xdotool): the banner is ready, then testing while the unit runs, then
// green, red or amber for the verdict. Each state's screenshot is kept in the build folder
// (station-screens/) for a person to look at.
#include <gtest/gtest.h>
#include <signal.h>

#include <QColor>
#include <QImage>
#include <chrono>
#include <thread>

#include "testing/child_process.h"
#include "testing/temp_dir.h"
#include "testing/x_display.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing_support::ChildProcess;

// Where the banner shows its colour, clear of its text, and a point of the prompt's panel.
constexpr QPoint kBanner(30, 110);
constexpr QPoint kPromptPanel(1000, 545);

const QColor kReady(0xE0, 0xE0, 0xE0);
const QColor kTesting(0x15, 0x65, 0xC0);
const QColor kPass(0x2E, 0x7D, 0x32);
const QColor kMarginal(0xFF, 0xB3, 0x00);
const QColor kFail(0xC6, 0x28, 0x28);

class StationWindowProcessTest : public ::testing::Test {
 protected:
  // The screen now; a null image when it could not be taken.
  QImage Screen() const {
    const fs::path shot = temp_.path() / "screen.ppm";
    return x_.Screenshot(shot) ? QImage(QString::fromStdString(shot.string())) : QImage();
  }

  // Waits up to 60 s for the screen to hold `looks`; keeps that screen as NAME.png.
  template <typename Looks>
  bool ShowsWithin(const std::string& name, Looks looks) {
    const auto give_up = std::chrono::steady_clock::now() + 60s;
    while (std::chrono::steady_clock::now() < give_up) {
      const QImage screen = Screen();
      if (!screen.isNull() && looks(screen)) {
        fs::create_directories(kKept);
        screen.save(QString::fromStdString((kKept / (name + ".png")).string()));
        return true;
      }
      std::this_thread::sleep_for(50ms);
    }
    return false;
  }

  bool BannerShows(const std::string& name, const QColor& colour) {
    return ShowsWithin(name,
                       [&](const QImage& screen) { return screen.pixelColor(kBanner) == colour; });
  }

  // Types `line` and Enter, as a scanner does.
  void Scan(const std::string& line) {
    EXPECT_TRUE(x_.XDoTool({"type", "--delay", "20", line}));
    EXPECT_TRUE(x_.XDoTool({"key", "Return"}));
  }

  // Scans a unit's serial number, then answers the supply current once the prompt shows.
  void TestUnit(const std::string& serial, const std::string& current, const std::string& name) {
    Scan(serial);
    EXPECT_TRUE(ShowsWithin(name == "pass" ? "running" : name + "-running",
                            [](const QImage& screen) {
                              return screen.pixelColor(kBanner) == kTesting &&
                                     screen.pixelColor(kPromptPanel) != QColor(Qt::white);
                            }))
        << serial;
    Scan(current);
  }

  const fs::path kKept = fs::path(QUORVANE_BUILD_DIR) / "station-screens";
  testing_support::TempDir temp_;
  testing_support::XDisplay x_{temp_.path(), "1024x600x24"};
};

TEST_F(StationWindowProcessTest, ScannedUnitsShowTheirVerdictsInTheBanner) {
  ASSERT_TRUE(x_.started()) << "Xvfb did not start: " << x_.ServerErrors();
  fs::create_directories(temp_.path() / "station");
  ChildProcess station(
      {QUORVANE_STATION_BINARY, QUORVANE_STATION_PLAN, "--station", "line-3", "--simulate",
       "--console", QUORVANE_BINARY, "--out", (temp_.path() / "records").string()},
      temp_.path() / "station",
      {{"DISPLAY", x_.name()}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}});
  const auto window =
      x_.XDoTool({"search", "--sync", "--onlyvisible", "--name", "^Quorvane station$"});
  ASSERT_TRUE(window && !window->empty()) << station.Errors();
  EXPECT_TRUE(x_.XDoTool({"windowfocus", "--sync", window->substr(0, window->find('\n'))}));

  Scan("Kim");
  EXPECT_TRUE(BannerShows("ready", kReady)) << station.Errors();
  TestUnit("T-0001", "300", "pass");
  EXPECT_TRUE(BannerShows("pass", kPass)) << station.Errors();
  TestUnit("T-0002", "700", "fail");
  EXPECT_TRUE(BannerShows("fail", kFail)) << station.Errors();
  TestUnit("T-0003", "110", "marginal");
  EXPECT_TRUE(BannerShows("marginal", kMarginal)) << station.Errors();

  // A stop between units ends the station as the operator would.
  ::kill(station.pid(), SIGTERM);
  EXPECT_EQ(station.Wait(60s), 0) << station.Output() << station.Errors();
  int records = 0;
  for (const auto& entry : fs::directory_iterator(temp_.path() / "records")) {
    records += entry.path().extension() == ".json";
  }
  EXPECT_EQ(records, 3);
}

}  // namespace
