// The simulated bench beside the simulated terminal: a supply feeding it, a meter on its modem's
// supply rail and a relay board with the loopback plug on channel 1, as a test plan finds them on
// a real line. The supply and the meter are LAN instruments on 127.0.0.1 at ports the system
// picks; the relay is on a serial line, a pseudo-terminal whose far end a client opens. Each
// instrument serves at most kMostBenchClients TCP clients at once (a further one is let in and
// closed at once, as a LAN instrument with all its sockets taken refuses it).
//
// Once all three listen, their addresses are written to SANDBOX/bench.json in one step:
//   {"supply":"tcp:127.0.0.1:PORT","meter":"tcp:127.0.0.1:PORT","relay":"serial:/dev/pts/N"}
// One thread of its own serves them all; nothing a client sends can end it, a process out of
// descriptors leaves a client queued until one is free, and it stops, with every descriptor
// closed and bench.json removed, when the bench goes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/linux/descriptor_pause.h"
#include "platform/linux/posix_calls.h"
#include "platform/linux/pty_pair.h"
#include "sim/bench_circuit.h"
#include "sim/bench_settings.h"
#include "sim/loopback_listener.h"
#include "sim/modem_power.h"
#include "sim/sandbox.h"
#include "sim/scpi_connection.h"
#include "sim/scpi_instrument.h"

namespace sim {

inline constexpr std::string_view kBenchFileName = "bench.json";
inline constexpr std::size_t kMostBenchClients = 4;

// What the bench is wired to on the simulated terminal.
struct BenchWiring {
  std::shared_ptr<const ModemPower> modem_power;
  // How many serial ports the console holds open now; called from the bench's thread.
  std::function<int()> open_ports;
  // Puts COM1's loopback plug in (true) or takes it off; called from the bench's thread. Null
  // when COM1 has no far end to plug.
  std::function<void(bool in)> loopback_plug;
  bool loopback_plug_in = false;  // where relay channel 1 starts
};

class SimulatedBench {
 public:
  // Throws std::system_error when a socket, a pseudo-terminal or the thread cannot be had, and
  // SandboxError when bench.json cannot be written.
  SimulatedBench(std::shared_ptr<const Sandbox> sandbox, BenchWiring wiring,
                 const BenchSettings& settings);
  ~SimulatedBench();
  SimulatedBench(const SimulatedBench&) = delete;
  SimulatedBench& operator=(const SimulatedBench&) = delete;

  // bench.json's text.
  std::string Addresses() const;

 private:
  // One instrument with the clients it serves.
  struct Endpoint {
    std::unique_ptr<ScpiInstrument> instrument;
    InstrumentFaults faults;
    std::unique_ptr<LoopbackListener> listener;  // null for the serial line
    platform::posix::DescriptorPause accepting;  // the listener's, while no client can be let in
    std::vector<ScpiConnection> connections;
    std::vector<std::size_t> places;  // in the wait: the listener's, then each connection's
  };

  void Run();
  void Watch(Endpoint& endpoint, platform::posix::DescriptorWait& wait,
             platform::posix::SteadyTime now,
             std::optional<platform::posix::SteadyTime>& deadline) const;
  void Serve(Endpoint& endpoint, const platform::posix::DescriptorWait& wait,
             platform::posix::SteadyTime now);

  const std::shared_ptr<const Sandbox> sandbox_;
  const platform::posix::PtyPair relay_line_;
  BenchCircuit circuit_;
  Endpoint supply_;
  Endpoint meter_;
  Endpoint relay_;
  const platform::posix::WakeFd stop_;
  std::thread thread_;
};

}  // namespace sim
