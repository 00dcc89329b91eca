#include "instrument/address.h"

#include <charconv>
#include <string_view>

namespace instrument {

namespace {

// A whole decimal number from 1 to `most`.
std::optional<std::uint32_t> Number(std::string_view text, std::uint32_t most) {
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value == 0 ||
      value > most) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::optional<Address> ParseAddress(const std::string& text, std::string& error) {
  Address address;
  address.text = text;
  const std::string_view whole = text;
  const auto fail = [&](const std::string& why) {
    error = "\"" + text + "\": " + why;
    return std::nullopt;
  };
  if (whole.starts_with("tcp:")) {
    std::string_view rest = whole.substr(4);  // HOST[:PORT], an IPv6 host in brackets
    std::string_view host;
    if (rest.starts_with('[')) {
      const std::size_t close = rest.find(']');
      if (close == std::string_view::npos) return fail("no ] after the IPv6 host");
      host = rest.substr(1, close - 1);
      rest.remove_prefix(close + 1);
    } else {
      host = rest.substr(0, rest.find(':'));
      rest.remove_prefix(host.size());
    }
    if (host.empty()) return fail("no host (tcp:HOST[:PORT])");
    if (!rest.empty()) {
      const auto port = rest.starts_with(':') ? Number(rest.substr(1), 65535) : std::nullopt;
      if (!port) return fail("the port must be a number from 1 to 65535");
      address.port = static_cast<std::uint16_t>(*port);
    }
    address.transport = Transport::kTcp;
    address.host = std::string(host);
    return address;
  }
  if (whole.starts_with("serial:")) {
    std::string_view path = whole.substr(7);
    const std::size_t at = path.rfind('@');
    if (at != std::string_view::npos) {
      const auto baud = Number(path.substr(at + 1), 4'000'000);
      if (!baud) return fail("the baud rate after @ must be a number");
      address.baud = *baud;
      path = path.substr(0, at);
    }
    if (!path.starts_with('/')) return fail("the serial line must be an absolute path");
    address.transport = Transport::kSerial;
    address.path = std::string(path);
    return address;
  }
  if (whole.starts_with("usbtmc:")) {
    const std::string_view path = whole.substr(7);
    if (!path.starts_with('/')) return fail("the USBTMC device must be an absolute path");
    address.transport = Transport::kUsbtmc;
    address.path = std::string(path);
    return address;
  }
  return fail("an address is tcp:HOST[:PORT], serial:PATH[@BAUD] or usbtmc:PATH");
}

}  // namespace instrument
