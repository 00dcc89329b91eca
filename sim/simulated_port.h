// One of the simulated terminal's serial ports as a board holds it: the line whose console side
// the board names as COMn, and what is on the line's far end. Either the far end is left free for
// outside programs, which find it under a name in the sandbox; or a loopback plug sits on it,
// sending everything the console writes straight back, its name still published so that an
// outside program can add bytes of its own (what it reads there is the plug's to take), and the
// plug can be put in and taken out while the console runs (a relay switching it); or the
// simulated modem holds it (and publishes no name, since a second reader would take bytes meant
// for the modem).
//
// Everything stops and goes away with the port: the device on the far end first, then the
// published name, then the line.
#pragma once

#include <termios.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>

#include "sim/far_end_link.h"
#include "sim/modem.h"
#include "sim/serial_link.h"
#include "sim/tty_device.h"

namespace sim {

// What sits on a far end that is published in the sandbox.
enum class FarEndPlug { kNone, kLoopback };

class SimulatedPort {
 public:
  // The far end is found at `far_end_link`, free or with the plug. Throws std::system_error.
  explicit SimulatedPort(const std::filesystem::path& far_end_link,
                         FarEndPlug plug = FarEndPlug::kNone);
  // The modem is on the far end. Throws std::system_error.
  explicit SimulatedPort(std::shared_ptr<Modem> modem);

  const std::filesystem::path& ConsoleSide() const { return link_.ConsoleSide(); }
  termios ConsoleSideSettings() const { return link_.ConsoleSideSettings(); }
  // Null when the far end is free.
  const std::shared_ptr<Modem>& modem() const { return modem_; }
  // Whether the console has this port open now. Any thread.
  bool ConsoleSideOpen() const { return link_.ConsoleSideHeld(); }
  // Puts the loopback plug on a published far end or takes it off. Any thread; throws
  // std::system_error when the far end cannot be opened for the plug.
  void SetLoopbackPlug(FarEndPlug plug);

 private:
  SerialLink link_;
  std::optional<FarEndLink> published_;
  std::shared_ptr<Modem> modem_;
  std::mutex device_mutex_;                  // the plug is switched from other threads
  std::optional<TtyDevice> device_on_line_;  // the modem or the loopback plug
};

}  // namespace sim
