// One of the simulated terminal's serial ports as a board holds it: the line whose console side
// the board names as COMn, and what is on the line's far end. Either the far end is left free for
// outside programs, which find it under a name in the sandbox, or the simulated modem holds it
// (and publishes no name, since a second reader would take bytes meant for the modem).
//
// Everything stops and goes away with the port: the modem first, then the published name, then
// the line.
#pragma once

#include <termios.h>

#include <filesystem>
#include <memory>
#include <optional>

#include "sim/far_end_link.h"
#include "sim/modem.h"
#include "sim/serial_link.h"
#include "sim/tty_device.h"

namespace sim {

class SimulatedPort {
 public:
  // The far end is free, and found at `far_end_link`. Throws std::system_error.
  explicit SimulatedPort(const std::filesystem::path& far_end_link);
  // The modem is on the far end. Throws std::system_error.
  explicit SimulatedPort(std::shared_ptr<Modem> modem);

  const std::filesystem::path& ConsoleSide() const { return link_.ConsoleSide(); }
  termios ConsoleSideSettings() const { return link_.ConsoleSideSettings(); }
  // Null when the far end is free.
  const std::shared_ptr<Modem>& modem() const { return modem_; }

 private:
  SerialLink link_;
  std::optional<FarEndLink> published_;
  std::shared_ptr<Modem> modem_;
  std::optional<TtyDevice> modem_on_line_;
};

}  // namespace sim
