#include "platform/terminal/serial.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <future>
#include <string>
#include <string_view>
#include <thread>

#include "platform/linux/serial_port_posix.h"
#include "platform/ports/board.h"
#include "platform/terminal/devices.h"
#include "platform/terminal/events.h"
#include "platform/terminal/handles.h"
#include "platform/terminal/testing_console_port.h"
#include "testing/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;
using testing_support::kConsoleReceiveBuffer;
using testing_support::kConsoleTimeouts;

// How long a test waits for something that should happen at once before it calls it a hang.
constexpr auto kReaper = std::chrono::seconds(10);

// A pseudo-terminal whose master the test holds as the far end of the line; the port opens
// its slave.
class FarEnd {
 public:
  FarEnd() {
    int slave = -1;
    if (openpty(&master_, &slave, nullptr, nullptr, nullptr) != 0) {
      ADD_FAILURE() << "openpty: " << std::strerror(errno);
      return;
    }
    tty_ = ttyname(slave);
    close(slave);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  }
  ~FarEnd() { Hangup(); }
  FarEnd(const FarEnd&) = delete;
  FarEnd& operator=(const FarEnd&) = delete;

  const std::string& tty() const { return tty_; }

  // Sends everything, as fast as the line takes it.
  void Send(std::string_view bytes) const {
    const auto deadline = Clock::now() + kReaper;
    while (!bytes.empty() && Clock::now() < deadline) {
      const ssize_t sent = write(master_, bytes.data(), bytes.size());
      if (sent > 0) {
        bytes.remove_prefix(static_cast<std::size_t>(sent));
      } else {
        pollfd ready{master_, POLLOUT, 0};
        poll(&ready, 1, 10);
      }
    }
    EXPECT_TRUE(bytes.empty()) << bytes.size() << " bytes not taken by the line";
  }

  // What arrives, up to `count` bytes.
  std::string Receive(std::size_t count) const {
    std::string received;
    const auto deadline = Clock::now() + kReaper;
    while (received.size() < count && Clock::now() < deadline) {
      char chunk[4096];
      const ssize_t got = read(master_, chunk, std::min(sizeof chunk, count - received.size()));
      if (got > 0) {
        received.append(chunk, static_cast<std::size_t>(got));
      } else {
        pollfd ready{master_, POLLIN, 0};
        poll(&ready, 1, 10);
      }
    }
    return received;
  }

  // The slave's settings: termios requests on a master act on its slave.
  termios Settings() const {
    termios settings{};
    EXPECT_EQ(tcgetattr(master_, &settings), 0);
    return settings;
  }

  void Hangup() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }

 private:
  int master_ = -1;
  std::string tty_;
};

HANDLE OpenPort(LPCWSTR name = L"COM1:", DWORD share_mode = 0) {
  return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, share_mode, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// What a call on another thread returned, with the last error of that thread.
struct Outcome {
  BOOL result = FALSE;
  DWORD value = 0;  // the event word or the byte count
  DWORD error = ERROR_SUCCESS;
};

// Waits for a call on another thread; one that hangs has its port closed under it, which ends
// every call, so that the test fails instead of stalling the suite.
template <class T>
T Await(std::future<T>& call, HANDLE port) {
  if (call.wait_for(kReaper) != std::future_status::ready) {
    ADD_FAILURE() << "the call did not return";
    CloseHandle(port);
  }
  return call.get();
}

std::future<Outcome> WaitForEventAsync(HANDLE port) {
  return std::async(std::launch::async, [port] {
    Outcome outcome;
    outcome.result = WaitCommEvent(port, &outcome.value, nullptr);
    outcome.error = outcome.result ? ERROR_SUCCESS : GetLastError();
    return outcome;
  });
}

// Until the port's `waits`-th event wait has taken its mask and waits.
bool AwaitWaitBegun(HANDLE port, std::uint64_t waits = 1) {
  const auto serial_port = platform::SerialPortOf(port);
  const auto deadline = Clock::now() + kReaper;
  while (serial_port->wait_counts().begun < waits) {
    if (Clock::now() > deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

DWORD InputQueue(HANDLE port) {
  DWORD errors = 0;
  COMSTAT status{};
  EXPECT_TRUE(ClearCommError(port, &errors, &status));
  EXPECT_EQ(errors, 0u);
  return status.cbInQue;
}

// What the port object's watch thread does: wait for received characters, then read the input
// queue empty in reads of at most the receive buffer, until `expected` bytes are in or a wait
// ends without an event.
struct Watched {
  std::string bytes;
  DWORD largest_read = 0;
};

Watched Watch(HANDLE port, std::size_t expected) {
  Watched watched;
  BYTE buffer[kConsoleReceiveBuffer];
  while (watched.bytes.size() < expected) {
    DWORD events = 0;
    if (!WaitCommEvent(port, &events, nullptr) || !(events & EV_RXCHAR)) break;
    while (InputQueue(port) != 0) {
      DWORD read = 0;
      if (!ReadFile(port, buffer, sizeof buffer, &read, nullptr)) break;
      watched.bytes.append(reinterpret_cast<const char*>(buffer), read);
      watched.largest_read = std::max(watched.largest_read, read);
    }
  }
  return watched;
}

std::string EveryByteValue() {
  std::string bytes;
  for (int value = 0; value < 256; ++value) bytes += static_cast<char>(value);
  return bytes;
}

DCB CurrentDcb(HANDLE port) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  EXPECT_TRUE(GetCommState(port, &dcb));
  return dcb;
}

// The port object's line settings on top of what the port reports.
DCB ConsoleDcb(HANDLE port, DWORD baud_rate) {
  DCB dcb = CurrentDcb(port);
  dcb.BaudRate = baud_rate;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.fBinary = 1;
  dcb.fParity = 1;
  dcb.fNull = 0;
  return dcb;
}

bool SameDcb(const DCB& a, const DCB& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class SerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override { MapCom1To(far_); }
  void TearDown() override { platform::InstallBoard({}); }

  static void MapCom1To(const FarEnd& far_end) {
    platform::Board board;
    board.serial_ports.Add(1, far_end.tty());
    platform::InstallBoard(std::move(board));
  }

  FarEnd far_;
};

TEST_F(SerialPortTest, EveryByteValueCrossesTheLineUnchangedBothWays) {
  const HANDLE port = OpenPort();
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(SetCommTimeouts(port, &kConsoleTimeouts));
  const std::string bytes = EveryByteValue();

  DWORD written = 0;
  EXPECT_TRUE(WriteFile(port, bytes.data(), 256, &written, nullptr));
  EXPECT_EQ(written, 256u);
  EXPECT_EQ(far_.Receive(256), bytes);

  far_.Send(bytes);
  std::string received;
  for (int reads = 0; reads < 256 && received.size() < 256; ++reads) {
    BYTE buffer[kConsoleReceiveBuffer];
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(port, buffer, sizeof buffer, &read, nullptr));
    received.append(reinterpret_cast<const char*>(buffer), read);
  }
  EXPECT_EQ(received, bytes);
  EXPECT_TRUE(CloseHandle(port));
}

TEST_F(SerialPortTest, ReadsAndWritesCompleteTheirOverlappedRecord) {
  const HANDLE port = OpenPort();
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(SetCommTimeouts(port, &kConsoleTimeouts));
  const HANDLE write_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(write_event, nullptr);
  const auto event = platform::LookUpHandleAs<platform::Event>(write_event);
  ASSERT_NE(event, nullptr);
  EXPECT_FALSE(event->IsSignalled());

  OVERLAPPED record{};
  record.hEvent = write_event;
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(port, "at*rx*mdn?\r\n", 12, &written, &record));
  EXPECT_EQ(written, 12u);
  EXPECT_EQ(record.InternalHigh, 12u);
  EXPECT_EQ(record.Internal, 0u);
  EXPECT_TRUE(event->IsSignalled());
  EXPECT_EQ(far_.Receive(12), "at*rx*mdn?\r\n");

  // A failed read completes its record too, with the error and no bytes.
  EXPECT_TRUE(CloseHandle(port));
  record.InternalHigh = 99;
  DWORD read = 99;
  BYTE buffer[16];
  EXPECT_FALSE(ReadFile(port, buffer, sizeof buffer, &read, &record));
  EXPECT_EQ(read, 0u);
  EXPECT_EQ(record.Internal, ERROR_INVALID_HANDLE);
  EXPECT_EQ(record.InternalHigh, 0u);

  EXPECT_TRUE(CloseHandle(write_event));
  EXPECT_EQ(platform::LookUpHandle(write_event), nullptr);
  EXPECT_EQ(CreateEventW(nullptr, TRUE, FALSE, L"shared"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(SerialPortTest, LineSettingsReachTheTtyAndReadBack) {
  const HANDLE port = OpenPort();
  ASSERT_NE(port, INVALID_HANDLE_VALUE);

  for (const auto& [rate, code] : {std::pair{9600u, B9600}, std::pair{115200u, B115200}}) {
    SCOPED_TRACE(rate);
    const DCB dcb = ConsoleDcb(port, rate);
    ASSERT_TRUE(SetCommState(port, &dcb));
    const termios settings = far_.Settings();
    EXPECT_EQ(cfgetispeed(&settings), code);
    EXPECT_EQ(cfgetospeed(&settings), code);
    EXPECT_EQ(settings.c_cflag & (CSIZE | PARENB | CSTOPB), tcflag_t{CS8});
    EXPECT_TRUE(settings.c_iflag & INPCK);
    EXPECT_TRUE(SameDcb(CurrentDcb(port), dcb));
  }

  DCB two_stop_bits = ConsoleDcb(port, 9600);
  two_stop_bits.StopBits = TWOSTOPBITS;
  ASSERT_TRUE(SetCommState(port, &two_stop_bits));
  EXPECT_TRUE(far_.Settings().c_cflag & CSTOPB);
  EXPECT_TRUE(SameDcb(CurrentDcb(port), two_stop_bits));
  EXPECT_TRUE(CloseHandle(port));
}

TEST_F(SerialPortTest, FieldsTheConsoleLeavesAloneKeepWhatThePortReported) {
  const HANDLE port = OpenPort();
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  DCB earlier = ConsoleDcb(port, 9600);
  earlier.fOutX = 1;
  earlier.fInX = 1;
  earlier.XonChar = 0x11;
  earlier.XoffChar = 0x13;
  earlier.fOutxCtsFlow = 1;
  earlier.fRtsControl = RTS_CONTROL_HANDSHAKE;
  earlier.fTXContinueOnXoff = 1;
  earlier.fAbortOnError = 1;
  earlier.XonLim = 2048;
  earlier.XoffLim = 512;
  earlier.EofChar = 0x1A;
  earlier.EvtChar = 0x7E;
  ASSERT_TRUE(SetCommState(port, &earlier));
  const termios settings = far_.Settings();
  EXPECT_TRUE(settings.c_cflag & CRTSCTS);
  EXPECT_EQ(settings.c_iflag & (IXON | IXOFF), tcflag_t{IXON | IXOFF});

  const DCB console = ConsoleDcb(port, 115200);
  ASSERT_TRUE(SetCommState(port, &console));
  DCB expected = earlier;
  expected.BaudRate = 115200;
  EXPECT_TRUE(SameDcb(CurrentDcb(port), expected));
  EXPECT_TRUE(CloseHandle(port));
}

TEST_F(SerialPortTest, SettingsTheTtyCannotHonourAreRefusedAndChangeNothing) {
  const HANDLE port = OpenPort();
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  const DCB good = ConsoleDcb(port, 115200);
  ASSERT_TRUE(SetCommState(port, &good));

  const struct {
    const char* what;
    void (*change)(DCB&);
  } refusals[] = {
      {"9 data bits", [](DCB& d) { d.ByteSize = 9; }},
      {"4 data bits", [](DCB& d) { d.ByteSize = 4; }},
      {"a rate without a code", [](DCB& d) { d.BaudRate = 12345; }},
      {"1.5 stop bits", [](DCB& d) { d.StopBits = ONE5STOPBITS; }},
      {"parity code 5", [](DCB& d) { d.Parity = 5; }},
      {"text mode", [](DCB& d) { d.fBinary = 0; }},
      {"null stripping", [](DCB& d) { d.fNull = 1; }},
      {"DSR flow control", [](DCB& d) { d.fOutxDsrFlow = 1; }},
      {"DTR handshake", [](DCB& d) { d.fDtrControl = DTR_CONTROL_HANDSHAKE; }},
      {"CTS flow without RTS handshake", [](DCB& d) { d.fOutxCtsFlow = 1; }},
      {"XON equal to XOFF", [](DCB& d) { d.fOutX = 1, d.XonChar = d.XoffChar = 0x11; }},
  };
  // A pseudo-terminal carries 8 bits without parity only; it keeps CS8 and drops PARENB
  // without failing the request, and the port notices.
  const struct {
    const char* what;
    void (*change)(DCB&);
  } refused_by_the_tty[] = {
      {"7 data bits", [](DCB& d) { d.ByteSize = 7; }},
      {"even parity", [](DCB& d) { d.Parity = EVENPARITY; }},
      {"mark parity", [](DCB& d) { d.Parity = MARKPARITY; }},
  };
  const termios before = far_.Settings();
  const auto expect_refused = [&](const char* what, void (*change)(DCB&)) {
    SCOPED_TRACE(what);
    DCB bad = good;
    bad.BaudRate = 9600;
    change(bad);
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(SetCommState(port, &bad));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    const termios after = far_.Settings();
    EXPECT_EQ(cfgetospeed(&after), B115200);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_TRUE(SameDcb(CurrentDcb(port), good));
  };
  for (const auto& refusal : refusals) expect_refused(refusal.what, refusal.change);
  for (const auto& refusal : refused_by_the_tty) expect_refused(refusal.what, refusal.change);
  EXPECT_TRUE(CloseHandle(port));
}

TEST_F(SerialPortTest, OpeningRunsTheTtyRawAndClosingGivesItsSettingsBack) {
  const termios before = far_.Settings();
  ASSERT_TRUE(before.c_lflag & ICANON);

  const HANDLE port = OpenPort();
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  const termios raw = far_.Settings();
  EXPECT_FALSE(raw.c_lflag & (ICANON | ECHO | ISIG));
  EXPECT_FALSE(raw.c_iflag & (ICRNL | IXON | IXOFF));
  EXPECT_FALSE(raw.c_oflag & OPOST);
  EXPECT_EQ(raw.c_cflag & (CLOCAL | CREAD), tcflag_t{CLOCAL | CREAD});
  const DCB fast = ConsoleDcb(port, 115200);
  ASSERT_TRUE(SetCommState(port, &fast));

  EXPECT_TRUE(CloseHandle(port));
  const termios after = far_.Settings();
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  EXPECT_EQ(after.c_iflag, before.c_iflag);
  EXPECT_EQ(after.c_oflag, before.c_oflag);
  EXPECT_EQ(after.c_cflag, before.c_cflag);
  EXPECT_EQ(cfgetospeed(&after), cfgetospeed(&before));
}

TEST_F(SerialPortTest, TheTtyIsHeldByOneHandleAtATime) {
  const HANDLE first = OpenPort();
  ASSERT_NE(first, INVALID_HANDLE_VALUE);
  EXPECT_EQ(OpenPort(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(OpenPort(L"COM1:", 3), INVALID_HANDLE_VALUE) << "a share mode does not share a port";
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_TRUE(CloseHandle(first));

  const HANDLE again = OpenPort();
  EXPECT_NE(again, INVALID_HANDLE_VALUE) << "closed, the tty is free again";
  EXPECT_TRUE(CloseHandle(again));

  // Another holder of the tty, as another program would hold it.
  const int other = open(far_.tty().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(other, 0);
  ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(OpenPort(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  close(other);
  const HANDLE after_other = OpenPort();
  EXPECT_NE(after_other, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CloseHandle(after_other));
}

TEST_F(SerialPortTest, NamesWithoutATtyBehindThemAreNotFound) {
  const testing_support::TempDir folder;
  const auto plain_file = folder.path() / "not-a-tty";
  std::ofstream(plain_file) << "x";
  platform::Board board;
  board.serial_ports.Add(1, far_.tty());
  board.serial_ports.Add(2, folder.path() / "no-such-tty");
  board.serial_ports.Add(3, plain_file);
  platform::InstallBoard(std::move(board));

  for (LPCWSTR name : {L"COM2:", L"COM3:", L"COM4:", L"COM1", L"COM11:"}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(name)));
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(OpenPort(name), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  }
  const HANDLE lower_case = OpenPort(L"com1:");
  EXPECT_NE(lower_case, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CloseHandle(lower_case));
}

TEST_F(SerialPortTest, ClearingTheEventMaskEndsAWaitAtOnceWithNoEvent) {
  const HANDLE port = OpenPort();
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(SetCommMask(port, EV_RXCHAR));
  auto wait = WaitForEventAsync(port);
  ASSERT_TRUE(AwaitWaitBegun(port));

  ASSERT_TRUE(SetCommMask(port, 0));
  const Outcome woken = Await(wait, port);
  EXPECT_TRUE(woken.result);
  EXPECT_EQ(woken.value, 0u);

  DWORD events = 99;
  EXPECT_FALSE(WaitCommEvent(port, &events, nullptr)) << "with no mask there is nothing to await";
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(events, 0u);
  EXPECT_TRUE(CloseHandle(port));
}

TEST_F(SerialPortTest, ReceivedBytesEndAWaitAndWaitInTheInputQueueUntilPurged) {
  const HANDLE port = OpenPort();
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(SetCommMask(port, EV_RXCHAR));
  EXPECT_EQ(InputQueue(port), 0u);
  auto wait = WaitForEventAsync(port);
  ASSERT_TRUE(AwaitWaitBegun(port));

  far_.Send("0123456789");
  const Outcome woken = Await(wait, port);
  EXPECT_TRUE(woken.result);
  EXPECT_EQ(woken.value, EV_RXCHAR);
  const auto deadline = Clock::now() + kReaper;
  while (InputQueue(port) < 10 && Clock::now() < deadline) std::this_thread::yield();
  EXPECT_EQ(InputQueue(port), 10u);

  EXPECT_TRUE(PurgeComm(port, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR));
  EXPECT_EQ(InputQueue(port), 0u);
  EXPECT_FALSE(PurgeComm(port, 0x10));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(CloseHandle(port));
}

TEST_F(SerialPortTest, AReadEndsAtThePauseAfterWhatArrived) {
  const HANDLE port = OpenPort();
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  BYTE buffer[kConsoleReceiveBuffer];

  // Nothing waiting, and the timeouts say not to wait.
  const COMMTIMEOUTS at_once{MAXDWORD, 0, 0, 0, 0};
  ASSERT_TRUE(SetCommTimeouts(port, &at_once));
  DWORD read = 99;
  EXPECT_TRUE(ReadFile(port, buffer, sizeof buffer, &read, nullptr));
  EXPECT_EQ(read, 0u);

  // No total: only the pause after the bytes can end this read.
  const COMMTIMEOUTS pause_only{100, 0, 0, 0, 0};
  ASSERT_TRUE(SetCommTimeouts(port, &pause_only));
  far_.Send("hello");
  auto reading = std::async(std::launch::async, [&] {
    Outcome outcome;
    outcome.result = ReadFile(port, buffer, sizeof buffer, &outcome.value, nullptr);
    return outcome;
  });
  const Outcome done = Await(reading, port);
  EXPECT_TRUE(done.result);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer), done.value), "hello");
  CloseHandle(port);
}

// The port object's two threads: the watch thread waits and reads a burst longer than its
// buffer, while the other thread writes, works the DTR line and asks for the status.
TEST_F(SerialPortTest, ABurstOfTenThousandBytesIsReadWholeWhileTheOtherThreadWrites) {
  const HANDLE port = OpenPort();
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(SetCommTimeouts(port, &kConsoleTimeouts));
  ASSERT_TRUE(SetCommMask(port, EV_RXCHAR));
  std::string burst;
  for (int i = 0; i < 10000; ++i) burst += static_cast<char>(i * 7 % 251);
  constexpr int kPings = 20;

  auto watch = std::async(std::launch::async, [port] { return Watch(port, 10000); });
  auto far_hears = std::async(std::launch::async, [&] { return far_.Receive(6 * kPings); });
  auto far_says = std::async(std::launch::async, [&] { far_.Send(burst); });
  for (int ping = 0; ping < kPings; ++ping) {
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(port, "ping\r\n", 6, &written, nullptr));
    EscapeCommFunction(port, ping % 2 == 0 ? SETDTR : CLRDTR);
    InputQueue(port);
  }
  const Watched watched = Await(watch, port);
  EXPECT_EQ(watched.bytes.size(), burst.size());
  EXPECT_TRUE(watched.bytes == burst);
  EXPECT_LE(watched.largest_read, kConsoleReceiveBuffer);
  std::string pings;
  for (int ping = 0; ping < kPings; ++ping) pings += "ping\r\n";
  EXPECT_EQ(far_hears.get(), pings);
  far_says.get();

  // The port object's close: clear the mask, drop DTR, purge, close.
  EXPECT_TRUE(SetCommMask(port, 0));
  EscapeCommFunction(port, CLRDTR);
  EXPECT_TRUE(PurgeComm(port, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR));
  EXPECT_TRUE(CloseHandle(port));
}

TEST_F(SerialPortTest, ClosingTheHandleEndsCallsInProgressAndFreesTheTty) {
  const HANDLE port = OpenPort();
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(SetCommMask(port, EV_RXCHAR));
  auto wait = WaitForEventAsync(port);
  ASSERT_TRUE(AwaitWaitBegun(port));

  EXPECT_TRUE(CloseHandle(port));
  const Outcome ended = Await(wait, port);
  EXPECT_FALSE(ended.result);
  EXPECT_EQ(ended.error, ERROR_OPERATION_ABORTED);
  EXPECT_EQ(ended.value, 0u);

  EXPECT_FALSE(SetCommMask(port, EV_RXCHAR));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  const HANDLE again = OpenPort();
  EXPECT_NE(again, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CloseHandle(again));
}

TEST_F(SerialPortTest, AnAbortingPurgeEndsAReadInProgress) {
  const HANDLE port = OpenPort();
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  const COMMTIMEOUTS no_timeouts{0, 0, 0, 0, 0};
  ASSERT_TRUE(SetCommTimeouts(port, &no_timeouts));
  auto reading = std::async(std::launch::async, [port] {
    BYTE buffer[16];
    Outcome outcome;
    outcome.result = ReadFile(port, buffer, sizeof buffer, &outcome.value, nullptr);
    outcome.error = outcome.result ? ERROR_SUCCESS : GetLastError();
    return outcome;
  });
  // A purge before the read has begun does not touch it; the next one does.
  const auto deadline = Clock::now() + kReaper;
  while (reading.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready &&
         Clock::now() < deadline) {
    PurgeComm(port, PURGE_RXABORT);
  }
  const Outcome aborted = Await(reading, port);
  EXPECT_FALSE(aborted.result);
  EXPECT_EQ(aborted.error, ERROR_OPERATION_ABORTED);
  CloseHandle(port);
}

TEST_F(SerialPortTest, AWriteTheFarEndDoesNotTakeEndsAtItsTotalTimeout) {
  const HANDLE port = OpenPort();
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  const COMMTIMEOUTS write_total{0, 0, 0, 0, 50};
  ASSERT_TRUE(SetCommTimeouts(port, &write_total));
  const std::string block(1 << 20, 'w');
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(port, block.data(), static_cast<DWORD>(block.size()), &written, nullptr));
  EXPECT_GT(written, 0u);
  EXPECT_LT(written, block.size());
  EXPECT_TRUE(CloseHandle(port));
}

TEST_F(SerialPortTest, APseudoTerminalHasNoDtrToRaiseOrDrop) {
  const HANDLE port = OpenPort();
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(EscapeCommFunction(port, CLRDTR));
  EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
  EXPECT_FALSE(EscapeCommFunction(port, SETDTR));
  EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
  EXPECT_FALSE(EscapeCommFunction(port, 99));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(CloseHandle(port));
}

TEST_F(SerialPortTest, TheFarEndVanishingNeitherFailsTheWaitNorSpinsIt) {
  const HANDLE port = OpenPort();
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(SetCommTimeouts(port, &kConsoleTimeouts));
  ASSERT_TRUE(SetCommMask(port, EV_RXCHAR));
  auto serial_port = platform::SerialPortOf(port);
  auto wait = WaitForEventAsync(port);
  ASSERT_TRUE(AwaitWaitBegun(port));

  far_.Hangup();
  // The wait notices, then looks at the line every 200 ms: four wake-ups (one of them for the
  // mask set before the wait began) take at least two looks, some 400 ms.
  const auto deadline = Clock::now() + kReaper;
  while (serial_port->wait_counts().wakeups < 4 && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(wait.wait_for(std::chrono::seconds(0)), std::future_status::timeout);

  DWORD errors = 0;
  COMSTAT status{};
  EXPECT_FALSE(ClearCommError(port, &errors, &status));
  EXPECT_EQ(GetLastError(), ERROR_GEN_FAILURE);
  EXPECT_EQ(status.cbInQue, 0u);
  BYTE buffer[kConsoleReceiveBuffer];
  DWORD read = 99;
  EXPECT_FALSE(ReadFile(port, buffer, sizeof buffer, &read, nullptr));
  EXPECT_EQ(read, 0u);
  DWORD written = 99;
  EXPECT_FALSE(WriteFile(port, "x", 1, &written, nullptr));
  EXPECT_EQ(written, 0u);

  ASSERT_TRUE(SetCommMask(port, 0));
  const Outcome woken = Await(wait, port);
  EXPECT_TRUE(woken.result);
  EXPECT_EQ(woken.value, 0u);
  // A spinning wait would have woken thousands of times.
  EXPECT_LE(serial_port->wait_counts().wakeups, 8u);
  serial_port.reset();
  EXPECT_TRUE(CloseHandle(port));

  // The vanished tty is no port any more; a new line under the same name opens as usual.
  EXPECT_EQ(OpenPort(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  const FarEnd replugged;
  MapCom1To(replugged);
  const HANDLE again = OpenPort();
  ASSERT_NE(again, INVALID_HANDLE_VALUE);
  DWORD sent = 0;
  EXPECT_TRUE(WriteFile(again, "back", 4, &sent, nullptr));
  EXPECT_EQ(replugged.Receive(4), "back");
  EXPECT_TRUE(CloseHandle(again));
}

}  // namespace
