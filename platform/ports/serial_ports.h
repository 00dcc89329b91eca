// Which tty of this machine is behind each serial port name, "COM0:" to "COM9:" as the terminal
// spells them (without regard to case). A name the board leaves out names no port.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string_view>

namespace platform {

class SerialPortTable {
 public:
  // Puts `tty` behind "COM<number>:"; number 0 to 9.
  void Add(int number, std::filesystem::path tty);
  // Whether `name` has the form of a serial port name at all.
  static bool IsPortName(std::wstring_view name);
  // The tty behind a port name, or nothing.
  std::optional<std::filesystem::path> Find(std::wstring_view name) const;

 private:
  std::map<int, std::filesystem::path> ttys_;
};

}  // namespace platform
