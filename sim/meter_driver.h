// The simulated "MTR1:" driver: the two signals towards the taxi meter. 8028 raises (1) or lowers
// (0) the boarding signal, 8029 the reservation signal; other values are refused. Both signals
// are low until a request raises them.
//
// The driver is also the meter's side of the terminal: whenever a request changes a signal, it
// reports both to the console as another program on the terminal would, finding the console's
// window by its text and posting WM_METER_MESSAGE to it, wParam the reservation signal and
// lParam the boarding signal (0 or 1 each). A request that leaves the signal as it was reports
// nothing; with no such window nothing is posted, and the journal line says so.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/terminal/vehicle_io_codes.h"
#include "sim/simulated_driver.h"

namespace sim {

// The meter side's report of both signals: WM_METER_MESSAGE posted to the window whose text is
// `console_window_text`, when there is one. Says what was posted, for the journal's "report".
nlohmann::ordered_json PostMeterReport(const std::wstring& console_window_text, bool reservation,
                                       bool boarding);

class MeterDriver final : public SimulatedDriver {
 public:
  // `console_window_text`: the text of the window the meter side reports to.
  MeterDriver(std::shared_ptr<DriverJournal> journal, std::wstring console_window_text);

  bool Boarding() const;
  bool Reservation() const;

 private:
  struct Signals {
    bool reservation;
    bool boarding;
  };

  Outcome Answer(const Request& request, DWORD* bytes_returned) override;
  nlohmann::ordered_json StateAsJson() const override;
  nlohmann::ordered_json ReportBeyond() override;

  const std::wstring console_window_text_;
  bool boarding_ = false;
  bool reservation_ = false;
  std::optional<Signals> unreported_;  // the signals after a change, until they are reported
};

}  // namespace sim
