#include "sim/simulated_bench.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <utility>

#include <nlohmann/json.hpp>

#include "sim/bench_instruments.h"

namespace sim {

namespace {

namespace posix = platform::posix;

// How long the thread waits out a poll that failed (only a shortage of kernel memory does).
constexpr std::chrono::milliseconds kPollRetry{100};

std::string Identity(const InstrumentFaults& faults, std::string_view own) {
  return faults.identity.value_or(std::string(own));
}

std::string TcpAddress(const LoopbackListener& listener) {
  return "tcp:127.0.0.1:" + std::to_string(listener.port());
}

}  // namespace

SimulatedBench::SimulatedBench(std::shared_ptr<const Sandbox> sandbox, BenchWiring wiring,
                               const BenchSettings& settings)
    : sandbox_(std::move(sandbox)),
      circuit_(std::move(wiring.modem_power), std::move(wiring.open_ports),
               settings.supply_extra_load_amps) {
  if (stop_.fd() < 0) throw std::system_error(stop_.error(), std::generic_category(), "eventfd");
  supply_.instrument = MakeSupply(circuit_, Identity(settings.supply, kSupplyIdentity));
  supply_.faults = settings.supply;
  supply_.listener = std::make_unique<LoopbackListener>();
  meter_.instrument = MakeMeter(circuit_, Identity(settings.meter, kMeterIdentity));
  meter_.faults = settings.meter;
  meter_.listener = std::make_unique<LoopbackListener>();
  auto plug = std::move(wiring.loopback_plug);
  relay_.instrument = MakeRelay(
      [plug = std::move(plug)](int channel, bool closed) {
        if (channel == 1 && plug) plug(closed);
      },
      wiring.loopback_plug_in, Identity(settings.relay, kRelayIdentity));
  relay_.faults = settings.relay;
  relay_.connections.push_back(ScpiConnection::OnSerialLine(relay_line_.Master()));
  thread_ = std::thread([this] { Run(); });
  try {
    sandbox_->ReplaceFile(kBenchFileName, Addresses());
  } catch (...) {
    stop_.Raise();
    thread_.join();
    throw;
  }
}

SimulatedBench::~SimulatedBench() {
  stop_.Raise();
  thread_.join();
  sandbox_->RemoveFile(kBenchFileName);
}

std::string SimulatedBench::Addresses() const {
  return nlohmann::json{{"supply", TcpAddress(*supply_.listener)},
                        {"meter", TcpAddress(*meter_.listener)},
                        {"relay", "serial:" + relay_line_.Slave().string()}}
             .dump() +
         "\n";
}

void SimulatedBench::Run() {
  posix::DescriptorWait wait(stop_.fd());
  for (;;) {
    const posix::SteadyTime now = std::chrono::steady_clock::now();
    std::optional<posix::SteadyTime> deadline;
    wait.Clear();
    for (Endpoint* endpoint : {&supply_, &meter_, &relay_}) Watch(*endpoint, wait, now, deadline);
    switch (wait.Until(deadline)) {
      case posix::DescriptorWait::Outcome::kWoken:
        return;
      case posix::DescriptorWait::Outcome::kFailed:
        std::this_thread::sleep_for(kPollRetry);
        continue;
      case posix::DescriptorWait::Outcome::kReady:
      case posix::DescriptorWait::Outcome::kTimedOut:
        const posix::SteadyTime served = std::chrono::steady_clock::now();
        for (Endpoint* endpoint : {&supply_, &meter_, &relay_}) Serve(*endpoint, wait, served);
    }
  }
}

void SimulatedBench::Watch(Endpoint& endpoint, posix::DescriptorWait& wait, posix::SteadyTime now,
                           std::optional<posix::SteadyTime>& deadline) const {
  const auto sooner = [&deadline](std::optional<posix::SteadyTime> due) {
    if (due && (!deadline || *due < *deadline)) deadline = due;
  };
  endpoint.places.clear();
  if (endpoint.listener) {
    endpoint.places.push_back(
        wait.Watch(endpoint.accepting.Watched(endpoint.listener->fd(), now), POLLIN));
    sooner(endpoint.accepting.End(now));
  }
  for (const ScpiConnection& connection : endpoint.connections) {
    const std::optional<short> events = connection.Events(now);
    endpoint.places.push_back(wait.Watch(events ? connection.fd() : -1, events.value_or(0)));
    sooner(connection.Deadline());
  }
}

// A client whose conversation throws (memory ran short) is let go; the serial line, which has no
// client to let go, starts afresh.
void SimulatedBench::Serve(Endpoint& endpoint, const posix::DescriptorWait& wait,
                           posix::SteadyTime now) {
  const std::size_t first_connection = endpoint.listener ? 1 : 0;
  std::vector<ScpiConnection> kept;
  for (std::size_t index = 0; index < endpoint.connections.size(); ++index) {
    ScpiConnection& connection = endpoint.connections[index];
    const short revents = wait.Ready(endpoint.places[first_connection + index]);
    bool alive = false;
    try {
      alive = connection.Serve(revents, *endpoint.instrument, endpoint.faults, now);
    } catch (const std::exception&) {
      if (!endpoint.listener) kept.push_back(ScpiConnection::OnSerialLine(connection.fd()));
    }
    if (alive) kept.push_back(std::move(connection));
  }
  endpoint.connections = std::move(kept);
  if (!endpoint.listener || wait.Ready(endpoint.places[0]) == 0) return;
  while (posix::UniqueFd client =
             posix::AcceptOrPause(endpoint.listener->fd(), endpoint.accepting)) {
    if (endpoint.connections.size() < kMostBenchClients) {
      endpoint.connections.emplace_back(std::move(client));
    }
  }
}

}  // namespace sim
