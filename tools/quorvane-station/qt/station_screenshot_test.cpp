// The station window in each state an operator sees, driven through the desk from a worker
// thread, rendered offscreen and compared with the reviewed reference pictures in testdata/,
// forgiving another font hinting but not a moved or missing part. After a deliberate change of
// the look, write them anew with
//   cmake --build build/default --target update-station-screenshots
// and look at every picture before committing it.
#include <algorithm>
#include <cstdlib>

#include <QApplication>
#include <QImage>

#include "testing/qt/screenshot_difference.h"
#include "tools/quorvane-station/qt/desk_fixture.h"

namespace {

using station::PhaseLine;
using station::PhaseState;
using station_testing::DeskTest;

const std::string kUnit = "TX-000123";

const station::StationIdentity kIdentity{.station = "EOL-2",
                                         .operator_name = "M. Kim",
                                         .plan = "terminal-eol",
                                         .revision = "3f9a1c0b7e2d4a6f8c1b"};

plan::PromptStep Loopback() {
  plan::PromptStep prompt;
  prompt.name = "loopback";
  prompt.text = "Plug the loopback connector into COM1, then OK.";
  return prompt;
}

struct State {
  const char* name;
  QSize size;
};

class StationScreenshotTest : public DeskTest, public ::testing::WithParamInterface<State> {
 protected:
  // Brings the window to `state` as the station loop would, from a worker thread.
  void Reach(const std::string& state) {
    FromWorker([this] { desk_.ShowIdentity(kIdentity); });
    if (state == "ready") {
      AskFromWorker(
          [this] {
            return desk_.AskSerial("", {.units = 4, .runs = 5, .passed = 3, .first_pass = 2},
                                   stop_);
          },
          "entry");
      return;
    }
    if (state == "running" || state == "prompt") {
      FromWorker([&] {
        desk_.ShowPhases(kUnit, {{"power", PhaseState::kPass, ""},
                                 {"serial ports", PhaseState::kRunning, "attempt 2 of 3"},
                                 {"modem", PhaseState::kWaiting, ""},
                                 {"meter signals", PhaseState::kWaiting, ""}});
      });
      if (state == "prompt") {
        AskFromWorker(
            [this] {
              std::string why;
              return desk_.Ask(Loopback(), stop_, why);
            },
            "prompt");
      }
      return;
    }
    std::vector<PhaseLine> phases = {{"power", PhaseState::kPass, ""},
                                     {"serial ports", PhaseState::kPass, ""},
                                     {"modem", PhaseState::kPass, ""},
                                     {"meter signals", PhaseState::kPass, ""}};
    station::Verdict verdict{station::VerdictColour::kPass, "PASS", ""};
    station::Tally after{.units = 5, .runs = 6, .passed = 4, .first_pass = 3};
    if (state == "fail" || state == "fail-full-hd") {
      phases[1] = {"serial ports", PhaseState::kFail, "com1_echo = 0, expected 1"};
      phases[2] = {"modem", PhaseState::kSkipped, "an earlier phase failed"};
      phases[3] = {"meter signals", PhaseState::kSkipped, "an earlier phase failed"};
      verdict = {station::VerdictColour::kFail, "FAIL", "serial ports: com1_echo = 0, expected 1"};
      after = {.units = 5, .runs = 6, .passed = 3, .first_pass = 2};
    } else if (state == "marginal") {
      phases[2] = {"modem", PhaseState::kMarginal,
                   "supply_mv = 4762 mV, within 25 mV of [4750, 5250]"};
      verdict = {station::VerdictColour::kMarginal, "PASS", "modem: supply_mv = 4762 mV"};
    }
    FromWorker([&] {
      desk_.ShowPhases(kUnit, phases);
      desk_.ShowVerdict(kUnit, verdict, after);
    });
  }

  // Where the window's parts lie, for the comparison to judge each.
  std::vector<QRect> Parts() {
    std::vector<QRect> parts;
    for (const QWidget* widget : desk_.window().findChildren<QWidget*>()) {
      if (widget->objectName().isEmpty() || !widget->isVisible()) continue;
      parts.emplace_back(widget->mapTo(&desk_.window(), QPoint(0, 0)), widget->size());
    }
    return parts;
  }
};

TEST_P(StationScreenshotTest, LooksAsReviewed) {
  desk_.window().resize(GetParam().size);
  Reach(GetParam().name);
  const QImage shown = desk_.window().grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(shown.size(), GetParam().size);
  const QString reference_file =
      QStringLiteral(QUORVANE_STATION_REFERENCES "/%1.png").arg(GetParam().name);
  if (std::getenv("QUORVANE_UPDATE_REFERENCE") != nullptr) {
    ASSERT_TRUE(shown.save(reference_file));
    GTEST_SKIP() << "wrote " << reference_file.toStdString() << "; review it before committing";
  }
  const QImage reference(reference_file);
  ASSERT_FALSE(reference.isNull()) << "no reference image at " << reference_file.toStdString();
  const qt_testing::ScreenshotDifference difference =
      qt_testing::CompareScreenshots(shown, reference, Parts());
  if (!difference.Tolerable()) {
    const QString seen = QString(reference_file).replace(".png", "-seen.png");
    shown.save(seen);
    ADD_FAILURE() << "the picture differs from the reference: "
                  << (difference.sizes_differ
                          ? std::string("another size")
                          : std::to_string(difference.edge_pixels) + " pixels of edges, " +
                                std::to_string(difference.differing_controls.size()) + " parts")
                  << "; this run's picture: " << seen.toStdString();
  }
}

INSTANTIATE_TEST_SUITE_P(States, StationScreenshotTest,
                         ::testing::Values(State{"ready", {1024, 600}},
                                           State{"running", {1024, 600}},
                                           State{"prompt", {1024, 600}}, State{"pass", {1024, 600}},
                                           State{"fail", {1024, 600}},
                                           State{"marginal", {1024, 600}},
                                           State{"fail-full-hd", {1920, 1080}}),
                         [](const ::testing::TestParamInfo<State>& state) {
                           std::string name = state.param.name;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

}  // namespace
