#include "serial/ccom.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "framework/cwinapp.h"
#include "platform/linux/serial_port_posix.h"
#include "platform/ports/board.h"
#include "platform/terminal/message_loop.h"
#include "testing/recording_front_end.h"
#include "testing/streaming_far_end.h"
#include "testing/temp_dir.h"
#include "testing/test_dialog.h"

namespace {

using namespace std::chrono_literals;

// The owner window: it copies every burst out of the receive buffer while the watch thread waits.
class BurstCollector final : public platform::WindowProcedure {
 public:
  explicit BurstCollector(const CCom& com) : com_(com) {}
  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message != WM_COMM_READ) return DefWindowProcW(hwnd, message, wParam, lParam);
    counts.push_back(wParam);
    ports.push_back(lParam);
    bytes.append(reinterpret_cast<const char*>(com_.m_abyRecvBuf), wParam);
    return 1;
  }
  std::vector<WPARAM> counts;
  std::vector<LPARAM> ports;
  std::string bytes;

 private:
  const CCom& com_;
};

class CComTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[128];
    ASSERT_EQ(::openpty(&far_end_, &console_end_, name, nullptr, nullptr), 0);
    platform::Board board;
    board.serial_ports.Add(2, name);
    board.serial_ports.Add(4, temp_.path() / "no-such-tty");
    board.debug_port = platform::OpenDebugPortFile(temp_.path() / "debug.log");
    platform::InstallBoard(std::move(board));
    owner_ = platform::CreateDialogFromTemplate(testing_support::SmallDialogTemplate(), nullptr,
                                                &collector_);
  }
  void TearDown() override {
    com_.ClosePort();
    DestroyWindow(owner_);
    platform::InstallBoard({});
    if (far_end_ >= 0) ::close(far_end_);
    ::close(console_end_);
  }

  void Open(const wchar_t* name = L"COM2:") {
    com_.SetPortConfig(name, 115200, 8, 0, 0);
    ASSERT_TRUE(com_.OpenPort());
    com_.SetOwnerWnd(owner_);
  }
  void WriteFarEnd(const std::string& bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
      const ssize_t written = ::write(far_end_, bytes.data() + at, bytes.size() - at);
      ASSERT_GT(written, 0);
      at += static_cast<std::size_t>(written);
      // Keep the pty's buffer from filling: let the watch thread drain it as it goes.
      if (at < bytes.size()) loop_.RunUntilOrTimeout([] { return false; }, 5ms);
    }
  }
  std::string ReadFarEnd(std::size_t count) {
    std::string bytes;
    while (bytes.size() < count) {
      pollfd ready{far_end_, POLLIN, 0};
      if (::poll(&ready, 1, 10000) <= 0) break;
      char chunk[256];
      const ssize_t got = ::read(far_end_, chunk, std::min(sizeof chunk, count - bytes.size()));
      if (got <= 0) break;
      bytes.append(chunk, static_cast<std::size_t>(got));
    }
    return bytes;
  }
  bool ReceiveAll(std::size_t count) {
    return loop_.RunUntilOrTimeout([&] { return collector_.bytes.size() >= count; }, 20s);
  }
  std::string DebugLog() const {
    std::ifstream in(temp_.path() / "debug.log");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  testing_support::TempDir temp_;
  platform::VirtualClock clock_;
  platform::MessageLoop loop_{clock_};
  testing_support::RecordingFrontEnd front_end_;
  CWinApp app_{L"quorvane"};
  CCom com_;
  BurstCollector collector_{com_};
  HWND owner_ = nullptr;
  int far_end_ = -1;
  int console_end_ = -1;
};

TEST_F(CComTest, ClosingAPortThatWasNeverOpenedSucceedsEveryTime) {
  EXPECT_TRUE(com_.ClosePort());
  EXPECT_TRUE(com_.ClosePort());
  EXPECT_FALSE(com_.m_bConnected);
  EXPECT_EQ(com_.m_hComm, nullptr);
}

TEST_F(CComTest, APortThatDoesNotExistShowsItsErrorCodeAndStaysClosed) {
  com_.SetPortConfig(L"COM4:", 115200, 8, 0, 0);
  EXPECT_FALSE(com_.OpenPort());
  ASSERT_EQ(front_end_.message_boxes.size(), 1u);
  EXPECT_EQ(front_end_.message_boxes[0].text, L"c:2");
  EXPECT_EQ(front_end_.message_boxes[0].caption, L"quorvane");
  EXPECT_FALSE(com_.m_bConnected);
  EXPECT_EQ(com_.m_hComm, nullptr);
  EXPECT_NE(com_.m_osRead.hEvent, nullptr);  // the events stay until the next close
  EXPECT_TRUE(com_.ClosePort());
  EXPECT_EQ(com_.m_osRead.hEvent, nullptr);
  EXPECT_EQ(com_.m_osWrite.hEvent, nullptr);
}

TEST_F(CComTest, ASmallBurstArrivesAsOneNotificationWithThePortNumber) {
  Open();
  WriteFarEnd("0123456789");
  ASSERT_TRUE(ReceiveAll(10));
  EXPECT_EQ(collector_.counts, std::vector<WPARAM>{10});
  EXPECT_EQ(collector_.ports, std::vector<LPARAM>{2});
  EXPECT_EQ(collector_.bytes, "0123456789");
}

TEST_F(CComTest, ALongBurstLosesNoByteAndNoNotificationExceedsTheBuffer) {
  Open();
  std::string burst;
  for (int i = 0; i < 10000; ++i) burst += static_cast<char>('a' + i % 26);
  WriteFarEnd(burst);
  ASSERT_TRUE(ReceiveAll(burst.size()));
  EXPECT_EQ(collector_.bytes, burst);
  for (WPARAM count : collector_.counts) EXPECT_LE(count, CCom::kRecvBufSize);
}

TEST_F(CComTest, ClosingWhileTheWatchThreadWaitsForTheOwnerNeitherHangsNorLosesTheBurst) {
  Open();
  WriteFarEnd("AT\r");
  // The loop is not run: the watch thread reads the burst and then waits in SendMessageW.
  std::this_thread::sleep_for(300ms);
  EXPECT_TRUE(com_.ClosePort());
  EXPECT_EQ(collector_.bytes, "AT\r");
  EXPECT_EQ(com_.m_hComm, nullptr);
}

TEST_F(CComTest, NothingArrivesAfterTheClose) {
  Open();
  com_.ClosePort();
  WriteFarEnd("late");
  loop_.RunUntilOrTimeout([] { return false; }, 300ms);
  EXPECT_TRUE(collector_.counts.empty());
}

TEST_F(CComTest, APortThatKeepsReceivingClosesAtOnceAndNothingArrivesAfterwards) {
  // 1 KB every 90 ms is a 115200-baud line's pace: it never pauses as long as a read waits.
  struct Stream {
    const char* name;
    std::size_t chunk;
    std::chrono::milliseconds period;
  };
  const Stream streams[] = {{"115200 baud", 1024, 90ms}, {"full speed", 4096, 0ms}};
  for (const Stream& stream : streams) {
    SCOPED_TRACE(stream.name);
    Open();
    testing_support::StreamingFarEnd streaming(far_end_, stream.chunk, stream.period, 5s);
    ASSERT_TRUE(ReceiveAll(collector_.bytes.size() + 2 * stream.chunk));

    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(com_.ClosePort());
    EXPECT_LT(std::chrono::steady_clock::now() - started, 200ms);  // it took seconds
    const std::size_t bursts_at_close = collector_.counts.size();
    loop_.RunUntilOrTimeout([] { return false; }, 200ms);
    EXPECT_EQ(collector_.counts.size(), bursts_at_close);
    EXPECT_EQ(com_.m_hComm, nullptr);
  }
}

TEST_F(CComTest, OpeningAnOpenPortLeavesOneWatchThread) {
  Open();
  Open();
  WriteFarEnd("once");
  ASSERT_TRUE(ReceiveAll(4));
  loop_.RunUntilOrTimeout([] { return false; }, 300ms);
  EXPECT_EQ(collector_.bytes, "once");
}

TEST_F(CComTest, WritesGoOutWholeAndLeaveTheirDebugLines) {
  Open();
  EXPECT_EQ(com_.WriteCommBlock(reinterpret_cast<const BYTE*>("at*rx*mdn?\r\n"), 12), 12u);
  EXPECT_EQ(ReadFarEnd(12), "at*rx*mdn?\r\n");
  com_.ClosePort();
  EXPECT_EQ(com_.WriteCommBlock(reinterpret_cast<const BYTE*>("x"), 1), 0u);
  EXPECT_EQ(DebugLog(), "WriteCommBlock():: dwWritten=12\r\nWriteCommBlock()::dwWritten=12\r\n"
                        "WriteCommBlock():: error=6\r\nWriteCommBlock()::dwWritten=0\r\n");
}

TEST_F(CComTest, AFarEndThatVanishesLeavesTheWatchThreadQuietAndThePortClosable) {
  Open();
  ::close(far_end_);  // the cable is pulled
  far_end_ = -1;
  const auto port = platform::SerialPortOf(com_.m_hComm);
  ASSERT_NE(port, nullptr);
  loop_.RunUntilOrTimeout([] { return false; }, 300ms);
  const auto before = port->wait_counts();
  loop_.RunUntilOrTimeout([] { return false; }, 500ms);
  const auto after = port->wait_counts();
  // A spinning thread would wake thousands of times; a waiting one checks the line now and then.
  EXPECT_LT(after.wakeups - before.wakeups + after.begun - before.begun, 20u);
  EXPECT_TRUE(com_.ClosePort());
  EXPECT_TRUE(collector_.counts.empty());

  // A new line behind the same name opens and carries data again.
  ::close(console_end_);
  char name[128];
  ASSERT_EQ(::openpty(&far_end_, &console_end_, name, nullptr, nullptr), 0);
  platform::Board board;
  board.serial_ports.Add(2, name);
  platform::InstallBoard(std::move(board));
  Open();
  WriteFarEnd("back");
  ASSERT_TRUE(ReceiveAll(4));
  EXPECT_EQ(collector_.bytes, "back");
}

TEST_F(CComTest, TheWatchThreadRefusesAParameterThatIsNotAPortObject) {
  EXPECT_EQ(CCom::CommWatchProc(nullptr), 0xFFFFFFFFu);
  CObject other;
  EXPECT_EQ(CCom::CommWatchProc(&other), 0xFFFFFFFFu);
  EXPECT_TRUE(RUNTIME_CLASS(CCom)->CreateObject()->IsKindOf(RUNTIME_CLASS(CCom)));
  EXPECT_STREQ(RUNTIME_CLASS(CCom)->m_lpszClassName, "CCom");
}

}  // namespace
