#include "sim/modem.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace sim {

namespace {

// An MDN has at most 15 digits, as any international number.
constexpr std::size_t kMaxNumberDigits = 15;

std::string Ok() { return "\r\nOK\r\n"; }
std::string Error() { return "\r\nERROR\r\n"; }
std::string WithInformation(std::string_view text) {
  return "\r\n" + std::string(text) + "\r\n" + Ok();
}

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(),
                                      [](char c) { return c >= '0' && c <= '9'; });
}

// "AT+CVOL=n" sets a level from 0 to `highest`, "AT+CVOL?" reports it as "+CVOL: n".
std::optional<std::string> AnswerLevel(std::string_view line, std::string_view command,
                                       int highest, int& level) {
  if (!line.starts_with(command)) return std::nullopt;
  const std::string_view rest = line.substr(command.size());
  if (rest == "?") {
    return WithInformation(std::string(command.substr(2)) + ": " + std::to_string(level));
  }
  if (rest.size() == 2 && rest[0] == '=' && rest[1] >= '0' && rest[1] <= '0' + highest) {
    level = rest[1] - '0';
    return Ok();
  }
  return Error();
}

}  // namespace

Modem::Modem(std::string number) : number_(std::move(number)) {}

std::string Modem::Receive(std::string_view bytes) {
  const std::lock_guard lock(mutex_);
  std::string replies;
  for (const char c : bytes) {
    if (c == '\r' || c == '\n') {
      if (line_overflowed_) {
        replies += Error();
      } else if (!line_.empty()) {
        replies += Answer(line_);
      }
      line_.clear();
      line_overflowed_ = false;
    } else if (line_.size() < kMaxLine) {
      line_ += c;
    } else {
      line_overflowed_ = true;
    }
  }
  return replies;
}

std::string Modem::Answer(std::string_view received) {
  const std::string line = Upper(received);
  if (line == "AT" || line == "AT$QCCAV" || line == "AT+CHV") return Ok();
  if (line == "AT+CAD?") return WithInformation("+CAD: 1");
  if (line == "AT*RX*MDN?") return WithInformation("*RX*MDN: " + number_);
  if (line.starts_with("AT+CDV")) return AllDigits(line.substr(6)) ? Ok() : Error();
  if (auto reply = AnswerLevel(line, "AT+CVOL", 4, volume_)) return *reply;
  if (auto reply = AnswerLevel(line, "AT+MICG", 3, mic_gain_)) return *reply;
  if (constexpr std::string_view kCommand = "AT*RX*SVCMODE="; line.starts_with(kCommand)) {
    if (line.substr(kCommand.size()) != kServiceModeCode) return Error();
    service_mode_ = true;
    return Ok();
  }
  if (constexpr std::string_view kCommand = "AT*RX*MDN="; line.starts_with(kCommand)) {
    const std::string number = line.substr(kCommand.size());
    if (!service_mode_ || !AllDigits(number) || number.size() > kMaxNumberDigits) return Error();
    number_ = number;
    return Ok();
  }
  if (line == "AT*KVX*RESET") {
    service_mode_ = false;
    return Ok();
  }
  return Error();
}

std::string Modem::Number() const {
  const std::lock_guard lock(mutex_);
  return number_;
}

int Modem::Volume() const {
  const std::lock_guard lock(mutex_);
  return volume_;
}

int Modem::MicGain() const {
  const std::lock_guard lock(mutex_);
  return mic_gain_;
}

bool Modem::InServiceMode() const {
  const std::lock_guard lock(mutex_);
  return service_mode_;
}

}  // namespace sim
