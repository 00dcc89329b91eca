// The console in a real window: an X server of its own (Xvfb), the console started by the
// README's run command with DISPLAY set, and a real pointer (xdotool) tapping the dialog.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "platform/ports/sandbox_location.h"
#include "platform/terminal/resources.h"
#include "res/install_resources.h"
#include "res/resource.h"
#include "sender/client.h"
#include "sender/protocol.h"
#include "testing/child_process.h"
#include "testing/temp_dir.h"
#include "testing/x_display.h"
#include "ui/qt/dialog_units.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing_support::ChildProcess;

// Polls `done` every 20 ms until it holds or `timeout` passes.
template <typename Condition>
bool Eventually(Condition done, std::chrono::milliseconds timeout) {
  const auto give_up = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

class WindowProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(temp_.path() / "console");
    res::InstallResources();
    ASSERT_TRUE(x_.started()) << "Xvfb did not start: " << x_.ServerErrors();
  }

  fs::path Sandbox() const { return temp_.path() / "sim"; }

  sender::ExchangeResult Send(sender::Action action) {
    const auto line = sender::EncodeRequest({std::move(action), sender::Delivery::AfterHandler});
    return sender::Exchange(platform::ConsoleSocketIn(Sandbox()), std::get<std::string>(line), 20s);
  }

  std::string LogPane() { return Send(sender::ReadRequest{IDC_EDIT_LOG}).reply.text.value_or(""); }

  // Runs xdotool on the test's display; its output.
  std::string XDoTool(std::vector<std::string> args) {
    auto output = x_.XDoTool(std::move(args));
    EXPECT_TRUE(output.has_value());
    return output.value_or("");
  }

  // A real click in the middle of control `id`, at the pixels its dialog units give.
  void ClickControl(const std::string& window, int id) {
    for (const auto& item : platform::LoadDialogTemplate(102).items) {
      if (item.id != id) continue;
      const QPoint middle = ui::DialogUnitsToPixels({item.x, item.y, item.cx, item.cy}).center();
      XDoTool({"mousemove", "--window", window, std::to_string(middle.x()),
               std::to_string(middle.y() + ui::kCaptionHeight), "click", "1"});
      return;
    }
    ADD_FAILURE() << "no control " << id << " in the template";
  }

  testing_support::TempDir temp_;
  testing_support::XDisplay x_{temp_.path(), "800x480x24"};
};

TEST_F(WindowProcessTest, TappingCom5AndOpenInTheWindowOpensThePort) {
  ChildProcess console({QUORVANE_SOURCE_DIR "/scripts/run", "--sandbox", Sandbox().string()},
                       temp_.path() / "console",
                       {{"DISPLAY", x_.name()},
                        {"WAYLAND_DISPLAY", ""},
                        {"QT_QPA_PLATFORM", ""},
                        {"QUORVANE_BOARD", ""}});
  const auto socket = platform::ConsoleSocketIn(Sandbox());
  ASSERT_TRUE(Eventually([&] { return sender::ConsoleAnswers(socket); }, 120s)) << console.Errors();
  std::string window = XDoTool({"search", "--sync", "--onlyvisible", "--name", "^QUORVANE$"});
  window = window.substr(0, window.find('\n'));
  ASSERT_FALSE(window.empty());

  ClickControl(window, IDC_RADIO_COM5);
  ClickControl(window, IDC_BTN_OPEN);
  const auto opened = [&] { return LogPane() == "COM5 CLOSE success \r\nCOM5 OPEN!! \r\n"; };
  EXPECT_TRUE(Eventually(opened, 20s)) << "the log pane holds: " << LogPane();

  Send(sender::CommandRequest{IDC_BTN_EXIT});
  EXPECT_EQ(console.Wait(20s), 0) << console.Errors();
}

}  // namespace
