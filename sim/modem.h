// The simulated CDMA modem: what sits on the far end of COM2 by default. It takes the bytes that
// arrive on its line, assembles command lines (ended by a carriage return, a line feed or both;
// empty lines are ignored), and answers each as such a modem does, without echo: an information
// line where the command asks for one, then "OK", or "ERROR" for a command it does not take.
//
// It knows the commands the console sends and keeps what they set: its own number (the MDN), the
// speaker volume 0 to 4, the microphone gain 0 to 3, and whether the service mode is open. The
// number can only be written in service mode, which the access code opens and a reset closes.
// Letters in a command may be of either case. All of it is safe to use from any thread.
//
// It lives by its power lines (ModemPower): without power it hears and answers nothing, and when
// it starts again (power back, or a start pulse) it has forgotten everything but the number,
// which it keeps in its own non-volatile memory.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "sim/modem_power.h"

namespace sim {

inline constexpr std::string_view kDefaultModemNumber = "01012345678";
inline constexpr std::string_view kServiceModeCode = "#120437586#315#";

class Modem {
 public:
  explicit Modem(std::string number = std::string(kDefaultModemNumber),
                 std::shared_ptr<const ModemPower> power = std::make_shared<ModemPower>());

  // Takes bytes as they come off the line; returns the replies to the lines they completed.
  // A modem without power drops them.
  std::string Receive(std::string_view bytes);

  std::string Number() const;
  int Volume() const;
  int MicGain() const;
  bool InServiceMode() const;

  // The longest command line taken; a longer one is answered "ERROR" once it ends.
  static constexpr std::size_t kMaxLine = 255;

 private:
  // What the modem holds only while it runs; a start begins a fresh one.
  struct Session {
    std::string line;
    bool line_overflowed = false;
    int volume = 2;
    int mic_gain = 2;
    bool service_mode = false;
  };

  // The session of the modem's latest start. The power lines change outside the modem, so a
  // start is noticed here, the first time anything looks at the modem after it.
  Session& Current() const;
  std::string Answer(Session& session, std::string_view received);

  const std::shared_ptr<const ModemPower> power_;
  mutable std::mutex mutex_;
  mutable Session session_;
  mutable unsigned starts_seen_ = 0;
  std::string number_;
};

}  // namespace sim
