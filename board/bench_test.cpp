// The simulated bench as the console starts it, reached the way a test plan reaches it: the
// addresses from bench.json, TCP to the supply and the meter, the relay's serial line, while the
// terminal's drivers and ports are used as the console uses them.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "board/build_board.h"
#include "platform/linux/posix_calls.h"
#include "platform/ports/board.h"
#include "platform/terminal/devices.h"
#include "platform/terminal/handles.h"
#include "platform/terminal/serial.h"
#include "sim/bench_circuit.h"
#include "sim/modem_power.h"
#include "sim/sandbox.h"
#include "sim/simulated_bench.h"
#include "testing/temp_dir.h"

namespace board {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A client of one instrument on a TCP connection or the serial line, that reads answers line by
// line and gives up on one after `patience`.
class Client {
 public:
  explicit Client(platform::posix::UniqueFd fd) : fd_(std::move(fd)) {}

  static Client Connect(const std::string& address) {
    const std::uint16_t port = static_cast<std::uint16_t>(std::stoi(address.substr(14)));
    platform::posix::UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(port);
    EXPECT_EQ(::connect(fd.get(), reinterpret_cast<sockaddr*>(&to), sizeof to), 0) << address;
    return Client(std::move(fd));
  }

  static Client OpenLine(const std::string& address) {
    return Client(platform::posix::UniqueFd(
        ::open(address.substr(7).c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)));
  }

  void Send(const std::string& text) const {
    ASSERT_EQ(::write(fd_.get(), text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }

  // The next line without its `\n`; nothing when none comes within `patience` or the far side
  // closes.
  std::optional<std::string> ReadLine(std::chrono::milliseconds patience = 5s) {
    const auto end = Clock::now() + patience;
    for (;;) {
      if (const auto newline = pending_.find('\n'); newline != std::string::npos) {
        std::string line = pending_.substr(0, newline);
        pending_.erase(0, newline + 1);
        return line;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
      pollfd watched{fd_.get(), POLLIN, 0};
      if (left.count() <= 0 || ::poll(&watched, 1, static_cast<int>(left.count())) != 1) {
        return std::nullopt;
      }
      char chunk[512];
      const ssize_t read = ::read(fd_.get(), chunk, sizeof chunk);
      if (read <= 0) return std::nullopt;
      pending_.append(chunk, static_cast<std::size_t>(read));
    }
  }

  std::optional<std::string> Ask(const std::string& query) {
    Send(query + "\n");
    return ReadLine();
  }
  double Number(const std::string& query) { return std::stod(Ask(query).value_or("nan")); }

 private:
  platform::posix::UniqueFd fd_;
  std::string pending_;
};

class BenchTest : public ::testing::Test {
 protected:
  ~BenchTest() override { platform::InstallBoard({}); }

  void Start(const std::string& profile = "") {
    const fs::path file = dir_.path() / "board.toml";
    std::ofstream(file) << profile;
    platform::InstallBoard(BuildBoard({Sandbox(), file}));
    std::ifstream bench(Sandbox() / "bench.json");
    addresses_ = nlohmann::json::parse(bench);
  }

  fs::path Sandbox() const { return dir_.path() / "sandbox"; }
  std::string Address(const char* instrument) const { return addresses_.at(instrument); }
  Client Supply() const { return Client::Connect(Address("supply")); }
  Client Meter() const { return Client::Connect(Address("meter")); }

  // ETC1: 9125, as the console's "Power On" / "Power Off" of the modem sends it.
  static void PowerModem(bool on) {
    const HANDLE etc = CreateFileW(L"ETC1:", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(etc, INVALID_HANDLE_VALUE);
    DWORD value = on ? 1 : 0;
    EXPECT_TRUE(DeviceIoControl(etc, 9125, &value, 4, nullptr, 0, nullptr, nullptr));
    CloseHandle(etc);
  }

  static HANDLE OpenCom1() {
    const HANDLE com1 = CreateFileW(L"COM1:", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const COMMTIMEOUTS short_reads{0, 0, 300, 0, 1000};
    SetCommTimeouts(com1, &short_reads);
    return com1;
  }

  // What comes back on COM1 within its read timeout after `bytes` were sent.
  static std::string Echoed(HANDLE com1, const std::string& bytes) {
    DWORD count = 0;
    WriteFile(com1, bytes.data(), static_cast<DWORD>(bytes.size()), &count, nullptr);
    std::string back(bytes.size(), '\0');
    ReadFile(com1, back.data(), static_cast<DWORD>(back.size()), &count, nullptr);
    back.resize(count);
    return back;
  }

  testing_support::TempDir dir_;
  nlohmann::json addresses_;
};

TEST_F(BenchTest, TheSupplysCurrentFollowsTheTerminalAndTheMeterReadsTheModemRail) {
  Start();
  Client supply = Supply();
  Client meter = Meter();
  HANDLE com1 = INVALID_HANDLE_VALUE;
  struct Step {
    const char* what;
    std::function<void()> act;
    double amps;
    double rail;
  };
  const std::vector<Step> steps{
      {"output off", [] {}, 0, 0},
      {"output on, modem powered at boot", [&] { supply.Send("VOLT 13.8;CURR 2.0;OUTP ON\n"); },
       sim::kIdleAmps + sim::kModemAmps, sim::kModemRailVolts},
      {"modem off", [] { PowerModem(false); }, sim::kIdleAmps, 0},
      {"COM1 open", [&] { com1 = OpenCom1(); }, sim::kIdleAmps + sim::kOpenPortAmps, 0},
      {"modem on", [] { PowerModem(true); }, sim::kIdleAmps + sim::kOpenPortAmps + sim::kModemAmps,
       sim::kModemRailVolts},
      {"COM1 closed", [&] { CloseHandle(com1); }, sim::kIdleAmps + sim::kModemAmps,
       sim::kModemRailVolts},
      {"output off again", [&] { supply.Send("OUTP OFF\n"); }, 0, 0},
  };
  for (const Step& step : steps) {
    step.act();
    EXPECT_NEAR(supply.Number("MEAS:CURR?"), step.amps, 0.005) << step.what;
    EXPECT_NEAR(meter.Number("MEAS:VOLT:DC?"), step.rail, 0.005) << step.what;
  }
  EXPECT_EQ(supply.Ask("OUTP?;OUTP:MODE?;SYST:ERR?"), "0;OFF;0,\"No error\"");
}

TEST_F(BenchTest, RelayChannelOnePutsTheLoopbackPlugOnCom1) {
  Start();
  Client relay = Client::OpenLine(Address("relay"));
  const HANDLE com1 = OpenCom1();
  ASSERT_NE(com1, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Echoed(com1, "before\r\n"), "");
  relay.Send("ROUT:CLOS (@1)\r\n");
  EXPECT_EQ(relay.Ask("ROUT:CLOS? (@1,2)"), "1,0");
  EXPECT_EQ(Echoed(com1, "plugged\r\n"), "plugged\r\n");
  relay.Send("rout:open (@1)\n");
  EXPECT_EQ(relay.Ask("*OPC?"), "1");
  EXPECT_EQ(Echoed(com1, "after\r\n"), "");
  CloseHandle(com1);
}

TEST_F(BenchTest, EachFaultTheProfileAsksForShowsOnTheWire) {
  struct Case {
    const char* profile;
    std::function<void(Client& supply, Client& meter, Client& relay)> check;
  };
  const std::vector<Case> cases{
      {"[bench.relay]\nidn = \"Other Maker,RLY-9,7,2.0\"\n",
       [](Client&, Client&, Client& relay) {
         EXPECT_EQ(relay.Ask("*IDN?"), "Other Maker,RLY-9,7,2.0");
       }},
      {"[bench.meter]\nanswer_delay_ms = 300\n",
       [](Client&, Client& meter, Client&) {
         const auto asked = Clock::now();
         meter.Send("*IDN?\n");
         EXPECT_EQ(meter.ReadLine(100ms), std::nullopt);
         EXPECT_EQ(meter.ReadLine(), "Quorvane Sim,DMM-1,SIM0002,1.0");
         EXPECT_GE(Clock::now() - asked, 300ms);
       }},
      {"[bench.supply]\nsilent = true\n",
       [](Client& supply, Client&, Client&) {
         supply.Send("*IDN?;*OPC?\n");
         EXPECT_EQ(supply.ReadLine(300ms), std::nullopt);
       }},
      {"[bench.supply]\nextra_load_a = 1.5\n",
       [](Client& supply, Client&, Client&) {
         supply.Send("VOLT 13.8;CURR 1.0;OUTP ON\n");
         EXPECT_EQ(supply.Ask("OUTP:MODE?"), "CC");
         EXPECT_NEAR(supply.Number("MEAS:CURR?"), 1.0, 0.005);
         EXPECT_LT(supply.Number("MEAS:VOLT?"), 13.0);
       }},
  };
  for (const Case& fault : cases) {
    SCOPED_TRACE(fault.profile);
    Start(fault.profile);
    Client supply = Supply();
    Client meter = Meter();
    Client relay = Client::OpenLine(Address("relay"));
    fault.check(supply, meter, relay);
    platform::InstallBoard({});
  }
}

std::size_t OpenDescriptors() {
  return static_cast<std::size_t>(
      std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

TEST_F(BenchTest, NoClientCanHoldTheBenchAndItGoesWithTheBoard) {
  const std::size_t descriptors_before = OpenDescriptors();
  Start();
  {
    // A few clients at a time: past them, one is let in and closed at once.
    std::vector<Client> clients;
    for (std::size_t index = 0; index < sim::kMostBenchClients; ++index) {
      clients.push_back(Supply());
    }
    EXPECT_EQ(Supply().ReadLine(), std::nullopt);
    EXPECT_EQ(clients.back().Ask("*OPC?"), "1");
  }
  // A client gone mid-answer takes nothing with it.
  std::string queries;
  for (int index = 0; index < 150; ++index) queries += "*IDN?;";
  Supply().Send(queries + "*IDN?\n");
  // A line with no end is dropped as it grows, and said so in the error queue.
  Client flood = Supply();
  flood.Send(std::string(100'000, 'V') + "\n");
  EXPECT_EQ(flood.Ask("SYST:ERR?;SYST:ERR?"), "-363,\"Input buffer overrun\";0,\"No error\"");
  flood = Client(platform::posix::UniqueFd());
  platform::InstallBoard({});
  EXPECT_FALSE(fs::exists(Sandbox() / "bench.json"));
  EXPECT_EQ(OpenDescriptors(), descriptors_before);
}

// The bench alone, without the rest of the board: while descriptors run out, no other thread of
// the test (the session record's writer, say) may need one, and neither may the sanitizers'
// runtime on their behalf.
TEST_F(BenchTest, OutOfDescriptorsTheBenchWaitsForOneInsteadOfSpinning) {
  const auto sandbox = std::make_shared<const sim::Sandbox>(sim::Sandbox::Prepare(Sandbox()));
  const sim::SimulatedBench bench(
      sandbox, {std::make_shared<sim::ModemPower>(), [] { return 0; }, nullptr, false}, {});
  const std::string address = nlohmann::json::parse(bench.Addresses()).at("supply");
  platform::posix::UniqueFd socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  // No descriptor is left to be had: the soft limit is the lowest free one.
  rlimit limits{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limits), 0);
  const int lowest_free = ::dup(0);
  ::close(lowest_free);
  rlimit exhausted = limits;
  exhausted.rlim_cur = static_cast<rlim_t>(lowest_free);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &exhausted), 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  to.sin_port = htons(static_cast<std::uint16_t>(std::stoi(address.substr(14))));
  const int connected = ::connect(socket.get(), reinterpret_cast<sockaddr*>(&to), sizeof to);
  // The client waits in the listener's queue, which a bench that tried again at once would spin
  // on the whole while.
  const std::clock_t cpu_before = std::clock();
  std::this_thread::sleep_for(300ms);
  const auto cpu_spent = std::chrono::duration<double>(
      static_cast<double>(std::clock() - cpu_before) / CLOCKS_PER_SEC);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &limits), 0);
  ASSERT_EQ(connected, 0);
  EXPECT_LT(cpu_spent, 50ms);
  Client client(std::move(socket));
  EXPECT_EQ(client.Ask("*IDN?"), "Quorvane Sim,PSU-1,SIM0001,1.0");
}

}  // namespace
}  // namespace board
