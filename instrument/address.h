// Where an instrument is reached, as plans and command lines write it: `tcp:HOST[:PORT]` (a raw
// SCPI socket, port 5025 unless given), `serial:PATH[@BAUD]` (8N1, raw, 9600 baud unless given)
// or `usbtmc:PATH` (the kernel's USBTMC character device, one message a write or a read).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace instrument {

enum class Transport { kTcp, kSerial, kUsbtmc };

struct Address {
  Transport transport = Transport::kTcp;
  std::string host;  // tcp
  std::uint16_t port = 5025;
  std::string path;  // serial, usbtmc
  std::uint32_t baud = 9600;
  std::string text;  // as written, for messages
};

inline constexpr std::uint16_t kScpiPort = 5025;

// Nothing, with `error` saying what is wrong, when `text` is no address of these forms.
std::optional<Address> ParseAddress(const std::string& text, std::string& error);

}  // namespace instrument
