#include "testing/test_console.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "sender/socket_io.h"
#include "testing/test_dialog.h"

namespace sender_testing {

namespace {

constexpr auto kWallTimeout = std::chrono::seconds(20);

platform::DialogTemplate TestTemplate() {
  using platform::ControlKind;
  return testing_support::TestDialogTemplate(
      L"QUORVANE",
      {
          {kButton, ControlKind::PushButton, L"push", 150, 5, 40, 14, BS_PUSHBUTTON | WS_TABSTOP},
          {kRadioOne, ControlKind::AutoRadioButton, L"one", 110, 5, 30, 10, BS_AUTORADIOBUTTON},
          {kRadioTwo, ControlKind::AutoRadioButton, L"two", 110, 20, 30, 10, BS_AUTORADIOBUTTON},
          {kEdit, ControlKind::Edit, L"", 5, 90, 100, 10, ES_AUTOHSCROLL | WS_TABSTOP},
          {kLog, ControlKind::Edit, L"", 5, 5, 100, 80, ES_MULTILINE | ES_READONLY | WS_VSCROLL},
      });
}

}  // namespace

LRESULT RecordingDialog::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  received_.push_back({message, wParam, lParam});
  if (message == WM_COMMAND && on_command) on_command(LOWORD(wParam));
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool RecordingDialog::KnowsCommand(UINT id) const {
  return (id >= kButton && id <= kRadioTwo) || id == kCommandWithoutControl;
}

std::vector<ReceivedMessage> RecordingDialog::Received(UINT message) const {
  std::vector<ReceivedMessage> matching;
  for (const ReceivedMessage& received : received_) {
    if (received.message == message) matching.push_back(received);
  }
  return matching;
}

void WakeCounter::Wait(std::unique_lock<std::mutex>& lock,
                       std::optional<std::chrono::steady_clock::time_point> deadline) {
  if (deadline) {
    loop_wake_.wait_until(lock, *deadline);
  } else {
    loop_wake_.wait(lock);
  }
}

void WakeCounter::Wake() {
  loop_wake_.notify_one();
  std::lock_guard lock(mutex_);
  ++wakes_;
  counted_.notify_all();
}

int WakeCounter::wakes() const {
  std::lock_guard lock(mutex_);
  return wakes_;
}

bool WakeCounter::WaitForMoreThan(int seen) const {
  std::unique_lock lock(mutex_);
  return counted_.wait_for(lock, kWallTimeout, [&] { return wakes_ > seen; });
}

TestConsole::TestConsole(sender::ServerLimits limits)
    : socket_path_(folder_.path() / "console.sock") {
  auto waiter = std::make_unique<WakeCounter>();
  wake_counter_ = waiter.get();
  loop_ = std::make_unique<platform::MessageLoop>(clock_, std::move(waiter));
  dialog_ = platform::CreateDialogFromTemplate(TestTemplate(), nullptr, &procedure_);
  server_ = std::make_unique<sender::SenderServer>(socket_path_, dialog_, loop_->core(), limits,
                                                   sender::WaitSources{kLog, nullptr});
  if (auto error = server_->Start()) ADD_FAILURE() << "the server did not start: " << *error;
}

TestConsole::~TestConsole() {
  server_.reset();
  EndLoop();
}

void TestConsole::EndLoop() {
  if (!loop_) return;
  if (IsWindow(dialog_)) DestroyWindow(dialog_);
  loop_.reset();
}

void TestConsole::RunWhile(const std::function<void()>& work) {
  std::atomic<bool> done{false};
  std::thread worker([&] {
    work();
    done = true;
    loop_->core()->Post([] {});  // wakes the loop to see it
  });
  const bool finished =
      loop_->RunUntilOrTimeout([&] { return done.load(); },
                               std::chrono::duration_cast<std::chrono::milliseconds>(kWallTimeout));
  worker.join();
  EXPECT_TRUE(finished) << "the loop ran out of time";
}

sender::ExchangeResult TestConsole::Exchange(const sender::Request& request) {
  const auto encoded = sender::EncodeRequest(request);
  if (const auto* error = std::get_if<sender::ProtocolError>(&encoded)) {
    ADD_FAILURE() << "the test's request is malformed: " << error->message;
    return {sender::ExchangeStatus::Failed, sender::Reply::Failed(error->message)};
  }
  sender::ExchangeResult result{sender::ExchangeStatus::Failed, {}};
  RunWhile([&] {
    result =
        sender::Exchange(socket_path_, std::get<std::string>(encoded), std::chrono::seconds(10));
  });
  return result;
}

platform::posix::UniqueFd TestConsole::ConnectRaw() const {
  platform::posix::UniqueFd connection(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socket_path_.c_str(), sizeof address.sun_path - 1);
  if (::connect(connection.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) !=
      0) {
    ADD_FAILURE() << "cannot connect to " << socket_path_ << ": " << std::strerror(errno);
  }
  return connection;
}

std::string TestConsole::ReadUntilClosed(int connection) {
  const timeval limit{20, 0};
  ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  std::string answer;
  char chunk[4096];
  ssize_t received;
  while ((received = ::recv(connection, chunk, sizeof chunk, 0)) > 0) {
    answer.append(chunk, static_cast<std::size_t>(received));
  }
  return answer;
}

std::string TestConsole::ExchangeRaw(const std::string& bytes, AfterWriting after) {
  std::string answer;
  RunWhile([&] {
    const platform::posix::UniqueFd connection = ConnectRaw();
    sender::WriteAll(connection.get(), bytes, std::chrono::steady_clock::now() + kWallTimeout);
    if (after == AfterWriting::CloseWriting) ::shutdown(connection.get(), SHUT_WR);
    answer = ReadUntilClosed(connection.get());
  });
  return answer;
}

sender::Request Sync(sender::Action action) {
  return {std::move(action), sender::Delivery::AfterHandler};
}

sender::Request Queued(sender::Action action) {
  return {std::move(action), sender::Delivery::Queued};
}

std::future<std::function<void(int)>> TestConsole::BoxOnButton() {
  auto box_shown = std::make_shared<std::promise<std::function<void(int)>>>();
  front_end_.answer = [box_shown](const testing_support::ShownMessageBox&,
                                  std::function<void(int)> dismiss) {
    box_shown->set_value(std::move(dismiss));
  };
  procedure_.on_command = [this](WORD id) {
    if (id == kButton) MessageBoxW(dialog_, L"busy", L"test", MB_OK);
  };
  return box_shown->get_future();
}

}  // namespace sender_testing
