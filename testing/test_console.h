// A running console for the outside senders' tests: a message loop on the test thread, a small
// dialog, a procedure that records what reaches the dialog, and a SenderServer listening on a
// socket in a fresh 0700 folder. Requests go out from other threads while the test thread runs
// the loop, as the console's user-interface thread would.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/posix_calls.h"
#include "platform/terminal/message_loop.h"
#include "platform/terminal/window.h"
#include "sender/client.h"
#include "sender/server.h"
#include "testing/recording_front_end.h"
#include "testing/temp_dir.h"

namespace sender_testing {

inline constexpr int kButton = 100;
inline constexpr int kRadioOne = 101;
inline constexpr int kRadioTwo = 102;
inline constexpr int kEdit = 103;
inline constexpr int kLog = 104;  // read-only, as the console's log pane
inline constexpr int kCommandWithoutControl = 1006;

struct ReceivedMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

class RecordingDialog final : public platform::WindowProcedure {
 public:
  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
  // The controls' commands and kCommandWithoutControl.
  bool KnowsCommand(UINT id) const override;
  std::vector<ReceivedMessage> Received(UINT message) const;

  // Runs for each WM_COMMAND, after it is recorded.
  std::function<void(WORD id)> on_command;

 private:
  std::vector<ReceivedMessage> received_;
};

// Counts the loop's wake-ups, so a test can tell that another thread has queued work without
// running it.
class WakeCounter final : public platform::LoopWaiter {
 public:
  void Wait(std::unique_lock<std::mutex>& lock,
            std::optional<std::chrono::steady_clock::time_point> deadline) override;
  void Wake() override;
  int wakes() const;
  // Waits (without running the loop) until more than `seen` wake-ups happened; false after 10 s.
  bool WaitForMoreThan(int seen) const;

 private:
  std::condition_variable loop_wake_;
  mutable std::mutex mutex_;
  mutable std::condition_variable counted_;
  int wakes_ = 0;
};

class TestConsole {
 public:
  explicit TestConsole(sender::ServerLimits limits = {});
  ~TestConsole();

  platform::MessageLoop& loop() { return *loop_; }
  const WakeCounter& wake_counter() const { return *wake_counter_; }
  HWND dialog() const { return dialog_; }
  HWND control(int id) const { return GetDlgItem(dialog_, id); }
  RecordingDialog& procedure() { return procedure_; }
  testing_support::RecordingFrontEnd& front_end() { return front_end_; }
  sender::SenderServer& server() { return *server_; }
  const std::filesystem::path& folder() const { return folder_.path(); }
  const std::filesystem::path& socket_path() const { return socket_path_; }

  // Runs `work` on a thread of its own while this thread runs the loop until it is done.
  void RunWhile(const std::function<void()>& work);
  // One request through the real client, while the loop runs.
  sender::ExchangeResult Exchange(const sender::Request& request);
  // A connection of our own to the console's socket, and everything that comes back on one
  // until the console closes it.
  platform::posix::UniqueFd ConnectRaw() const;
  static std::string ReadUntilClosed(int connection);
  // Raw bytes on a connection of our own, while the loop runs: what came back.
  enum class AfterWriting { KeepOpen, CloseWriting };
  std::string ExchangeRaw(const std::string& bytes, AfterWriting after = AfterWriting::KeepOpen);
  // Destroys the dialog and ends the loop, as a console does once its dialog has ended.
  void EndLoop();
  // Makes a click on kButton open a message box that stays open; the future holds the box's
  // dismissal once it shows.
  std::future<std::function<void(int)>> BoxOnButton();

 private:
  testing_support::TempDir folder_;
  std::filesystem::path socket_path_;
  testing_support::RecordingFrontEnd front_end_;  // before any window exists
  platform::VirtualClock clock_;
  WakeCounter* wake_counter_;
  std::unique_ptr<platform::MessageLoop> loop_;
  RecordingDialog procedure_;
  HWND dialog_ = nullptr;
  std::unique_ptr<sender::SenderServer> server_;
};

sender::Request Sync(sender::Action action);
sender::Request Queued(sender::Action action);

}  // namespace sender_testing
