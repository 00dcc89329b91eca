#include "plan/instrument_bench.h"

#include <chrono>

namespace plan {

InstrumentBench::InstrumentBench(std::map<std::string, std::string> addresses,
                                 instrument::ExchangeSink& sink)
    : addresses_(std::move(addresses)), sink_(sink) {}

InstrumentBench::~InstrumentBench() { Close(); }

bool InstrumentBench::Open(const std::vector<Instrument>& instruments, const StopRequest& stop,
                           std::vector<InstrumentIdentity>& identities, std::string& error) {
  const int wake = stop.WakeDescriptor(0);
  for (const Instrument& declared : instruments) {
    const auto given = addresses_.find(declared.role);
    const std::string text = given != addresses_.end() ? given->second : declared.address;
    const std::optional<instrument::Address> address = instrument::ParseAddress(text, error);
    if (!address) {
      error = declared.role + ": " + error;
      return false;
    }
    instrument::Fault fault;
    std::unique_ptr<instrument::Session> session = instrument::Session::Open(
        declared.role, *address, std::chrono::milliseconds(declared.timeout_ms), sink_, wake,
        fault);
    if (!session) {
      error = fault.message;
      return false;
    }
    Opened& opened = opened_.emplace_back(Opened{&declared, std::move(session), false});
    const std::optional<std::string> idn = opened.session->Query("*IDN?", wake, fault);
    if (!idn) {
      error = fault.message;
      return false;
    }
    identities.push_back({declared.role, text, *idn});
    const PatternSearch search = declared.idn->Find(*idn);
    if (!search.match) {
      error = declared.role + " (" + text + "): answers *IDN? with \"" + *idn + "\", not /" +
              declared.idn->text() + "/ as the plan expects" +
              (search.error.empty() ? "" : " (" + search.error + ")");
      return false;
    }
    opened.identified = true;
  }
  return true;
}

instrument::Session* InstrumentBench::Find(const std::string& role) const {
  for (const Opened& opened : opened_) {
    if (opened.identified && opened.session->role() == role) return opened.session.get();
  }
  return nullptr;
}

std::vector<std::string> InstrumentBench::Close() {
  std::vector<std::string> faults;
  for (auto opened = opened_.rbegin(); opened != opened_.rend(); ++opened) {
    if (!opened->identified || opened->declared->safe.empty()) continue;
    // No wake descriptor: the safe command goes out through any stop, bounded by its timeout.
    if (auto fault = opened->session->Write(opened->declared->safe, -1)) {
      faults.push_back("safe command: " + fault->message);
    }
  }
  opened_.clear();
  return faults;
}

}  // namespace plan
