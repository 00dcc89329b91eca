// The meter side of a real board: its two inputs, the reservation and the boarding signal as the
// meter shows them, watched on a thread of the watch's own. Value files are read afresh every
// poll period (sysfs value files raise no inotify event, so polling is what works on every
// board); an input device's switch events are read as they come. A change is reported once it
// has held for the debounce time, so a contact that bounces, or a blip that comes and goes within
// it, reports nothing. The levels when the watch starts are where it starts from, not a change;
// after the kernel says it dropped events, the device's switches are asked for where they are.
//
// A file or device that fails is told once (FaultTeller) and tried again every poll period; the
// inputs keep their last good levels meanwhile.
#pragma once

#include <functional>
#include <memory>
#include <thread>

#include "board_io/file_fault.h"
#include "board_io/file_settings.h"
#include "platform/linux/posix_calls.h"

namespace board_io {

struct MeterSignals {
  bool reservation = false;
  bool boarding = false;
  bool operator==(const MeterSignals&) const = default;
};

class MeterInputWatch {
 public:
  // Called on the watch's thread with both signals after each settled change.
  using Report = std::function<void(MeterSignals)>;

  MeterInputWatch(MeterInputs inputs, std::shared_ptr<FaultTeller> teller, Report report);
  // Stops the thread; no report comes after it returns.
  ~MeterInputWatch();
  MeterInputWatch(const MeterInputWatch&) = delete;
  MeterInputWatch& operator=(const MeterInputWatch&) = delete;

 private:
  void WatchFiles();
  void WatchDevice();

  const MeterInputs inputs_;
  const std::shared_ptr<FaultTeller> teller_;
  const Report report_;
  platform::posix::WakeFd stop_;
  std::thread thread_;  // last: it starts once everything it uses stands
};

}  // namespace board_io
