// The console as a person runs it, for the whole-process tests: the real program on a sandbox of
// its own in a temporary folder, driven from outside through its socket and quorvane-send, its
// log pane read from its standard output and its message boxes from its standard error.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/ports/sandbox_location.h"
#include "sender/client.h"
#include "sender/protocol.h"
#include "testing/child_process.h"
#include "testing/temp_dir.h"

namespace console_process_testing {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing_support::ChildProcess;

// A console started on the test's sandbox, headless unless the environment is to decide.
enum class Screen { kHeadless, kFromEnvironment };

class ConsoleProcessTest : public ::testing::Test {
 protected:
  fs::path Sandbox() const { return temp_.path() / "sim"; }

  std::unique_ptr<ChildProcess> Launch(std::vector<std::string> extra_args = {},
                                       std::map<std::string, std::string> environment = {},
                                       Screen screen = Screen::kHeadless) {
    std::vector<std::string> args = {QUORVANE_BINARY, "--sandbox", Sandbox().string()};
    if (screen == Screen::kHeadless) args.push_back("--headless");
    args.insert(args.end(), extra_args.begin(), extra_args.end());
    environment.emplace("QUORVANE_BOARD", "");
    return std::make_unique<ChildProcess>(args, temp_.path(), environment);
  }

  // Starts the console and waits until its socket answers.
  std::unique_ptr<ChildProcess> StartConsole(std::vector<std::string> extra_args = {},
                                             std::map<std::string, std::string> environment = {},
                                             Screen screen = Screen::kHeadless) {
    auto console = Launch(std::move(extra_args), std::move(environment), screen);
    const auto give_up = std::chrono::steady_clock::now() + 20s;
    while (!sender::ConsoleAnswers(platform::ConsoleSocketIn(Sandbox()))) {
      if (std::chrono::steady_clock::now() > give_up || console->Wait(0ms)) {
        ADD_FAILURE() << "the console did not come up: " << console->Errors();
        break;
      }
      std::this_thread::sleep_for(5ms);
    }
    return console;
  }

  // What the console leaves in the sandbox only while it runs.
  void ExpectNothingLeftBehind() const {
    EXPECT_FALSE(fs::exists(Sandbox() / "volumes/SDMMC/rwtest.txt"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(Sandbox() / "tty/COM1")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(platform::ConsoleSocketIn(Sandbox()))));
  }

  sender::ExchangeResult Send(sender::Action action) {
    const auto line = sender::EncodeRequest({std::move(action), sender::Delivery::AfterHandler});
    return sender::Exchange(platform::ConsoleSocketIn(Sandbox()), std::get<std::string>(line), 20s);
  }

  // The request as a person types it: quorvane-send on this sandbox, waiting for the handler.
  void SendFromOutside(std::vector<std::string> words) {
    const fs::path outputs = temp_.path() / "sender";
    fs::create_directories(outputs);
    std::vector<std::string> args = {QUORVANE_SEND_BINARY, "--sandbox", Sandbox().string(),
                                     "--sync"};
    args.insert(args.end(), words.begin(), words.end());
    ChildProcess sender(args, outputs);
    EXPECT_EQ(sender.Wait(20s), 0) << sender.Errors();
  }

  // Waits until the standard output holds `text` after its first `from` bytes; false after 10 s.
  static bool OutputShows(const ChildProcess& console, std::string_view text,
                          std::size_t from = 0) {
    const auto give_up = std::chrono::steady_clock::now() + 10s;
    while (console.Output().find(text, from) == std::string::npos) {
      if (std::chrono::steady_clock::now() > give_up) return false;
      std::this_thread::sleep_for(5ms);
    }
    return true;
  }

  testing_support::TempDir temp_;
};

}  // namespace console_process_testing
