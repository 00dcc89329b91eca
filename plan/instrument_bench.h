// The instruments of one run: each opened once before the first phase, at the address the
// station gives its role or else the plan's, and identified (*IDN? must match what the plan
// expects, or the run ends before any phase); found by role by the steps; and closed at the end
// whatever happened, each identified one sent its safe command first, through any stop, since
// a supply left on is the one thing a stopped run must not leave behind. An instrument that
// answered as another model is sent nothing more: the same command may do anything to it.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "instrument/exchange.h"
#include "instrument/session.h"
#include "plan/plan.h"
#include "plan/run_result.h"
#include "plan/stop_request.h"

namespace plan {

class InstrumentBench {
 public:
  // `addresses`: where a role is reached instead of where the plan says.
  InstrumentBench(std::map<std::string, std::string> addresses, instrument::ExchangeSink& sink);
  ~InstrumentBench();
  InstrumentBench(const InstrumentBench&) = delete;
  InstrumentBench& operator=(const InstrumentBench&) = delete;

  // Opens and identifies `instruments` in order, adding each that answered *IDN? to
  // `identities`; false, with `error`, at the first that cannot be reached, does not answer or
  // is not the model the plan expects.
  bool Open(const std::vector<Instrument>& instruments, const StopRequest& stop,
            std::vector<InstrumentIdentity>& identities, std::string& error);

  // The open instrument of `role`, or nullptr.
  instrument::Session* Find(const std::string& role) const;

  // Sends each identified instrument its safe command, the last opened first, and closes them
  // all; what went wrong, in that order.
  std::vector<std::string> Close();

 private:
  struct Opened {
    const Instrument* declared;
    std::unique_ptr<instrument::Session> session;
    bool identified = false;
  };

  std::map<std::string, std::string> addresses_;
  instrument::ExchangeSink& sink_;
  std::vector<Opened> opened_;
};

}  // namespace plan
