// The simulated CDMA modem: what sits on the far end of COM2 by default. It takes the bytes that
// arrive on its line, assembles command lines (ended by a carriage return, a line feed or both;
// empty lines are ignored), and answers each as such a modem does, without echo: an information
// line where the command asks for one, then "OK", or "ERROR" for a command it does not take.
//
// It knows the commands the console sends and keeps what they set: its own number (the MDN), the
// speaker volume 0 to 4, the microphone gain 0 to 3, and whether the service mode is open. The
// number can only be written in service mode, which the access code opens and a reset closes.
// Letters in a command may be of either case. All of it is safe to use from any thread.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>

namespace sim {

inline constexpr std::string_view kDefaultModemNumber = "01012345678";
inline constexpr std::string_view kServiceModeCode = "#120437586#315#";

class Modem {
 public:
  explicit Modem(std::string number = std::string(kDefaultModemNumber));

  // Takes bytes as they come off the line; returns the replies to the lines they completed.
  std::string Receive(std::string_view bytes);

  std::string Number() const;
  int Volume() const;
  int MicGain() const;
  bool InServiceMode() const;

  // The longest command line taken; a longer one is answered "ERROR" once it ends.
  static constexpr std::size_t kMaxLine = 255;

 private:
  std::string Answer(std::string_view line);

  mutable std::mutex mutex_;
  std::string line_;
  bool line_overflowed_ = false;
  std::string number_;
  int volume_ = 2;
  int mic_gain_ = 2;
  bool service_mode_ = false;
};

}  // namespace sim
