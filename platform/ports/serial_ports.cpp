#include "platform/ports/serial_ports.h"

#include <cassert>

namespace platform {

namespace {

bool IsLetter(wchar_t given, wchar_t upper) { return given == upper || given == upper + 32; }

}  // namespace

void SerialPortTable::Add(int number, std::filesystem::path tty) {
  assert(number >= 0 && number <= 9);
  ttys_[number] = std::move(tty);
}

bool SerialPortTable::IsPortName(std::wstring_view name) {
  return name.size() == 5 && IsLetter(name[0], L'C') && IsLetter(name[1], L'O') &&
         IsLetter(name[2], L'M') && name[3] >= L'0' && name[3] <= L'9' && name[4] == L':';
}

std::optional<std::filesystem::path> SerialPortTable::Find(std::wstring_view name) const {
  if (!IsPortName(name)) return std::nullopt;
  const auto found = ttys_.find(name[3] - L'0');
  if (found == ttys_.end()) return std::nullopt;
  return found->second;
}

}  // namespace platform
