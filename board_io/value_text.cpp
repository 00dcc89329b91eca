#include "board_io/value_text.h"

#include <charconv>

namespace board_io {

namespace {

std::string_view WithoutTrailingBlanks(std::string_view text) {
  const std::size_t end = text.find_last_not_of(" \t\r\n");
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

}  // namespace

std::optional<bool> ParseLevel(std::string_view text, std::string_view on_text,
                               std::string_view off_text) {
  const std::string_view level = WithoutTrailingBlanks(text);
  if (level == WithoutTrailingBlanks(on_text)) return true;
  if (level == WithoutTrailingBlanks(off_text)) return false;
  return std::nullopt;
}

std::optional<std::uint32_t> ParseChannel(std::string_view text) {
  const std::string_view digits = WithoutTrailingBlanks(text);
  // from_chars would take a leading minus; a channel never has one.
  if (digits.empty() || digits.front() < '0' || digits.front() > '9') return std::nullopt;
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

}  // namespace board_io
