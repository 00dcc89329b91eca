// A simulated serial port's far end as the replay holds it: SANDBOX/tty/COMn opened raw and for
// the replay alone through the project's serial port code, which gives the tty its settings back
// when it goes. Every block is written with a bounded wait: a console that does not read its port
// holds the line back, and the replay says so rather than wait for ever.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {
class SerialPort;
}  // namespace platform

namespace quorvane_replay {

class ReplayError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class FarEnd {
 public:
  // Throws ReplayError naming the far end and why it cannot be had.
  FarEnd(const std::filesystem::path& sandbox, const std::string& port,
         std::chrono::milliseconds write_timeout);
  ~FarEnd();
  FarEnd(FarEnd&&) noexcept;
  FarEnd(const FarEnd&) = delete;
  FarEnd& operator=(const FarEnd&) = delete;

  // All of `bytes`, or ReplayError once the console has not taken them within the timeout.
  void Write(std::string_view bytes);

 private:
  std::string port_;
  std::chrono::milliseconds write_timeout_;
  std::shared_ptr<platform::SerialPort> tty_;
};

}  // namespace quorvane_replay
