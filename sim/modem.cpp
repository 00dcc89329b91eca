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
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "AT+CVOL=n" sets a level from 0 to `highest`, "AT+CVOL?" reports it as "+CVOL: n".
std::optional<std::string> AnswerLevel(std::string_view line, std::string_view command, int highest,
                                       int& level) {
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

Modem::Modem(std::string number, std::shared_ptr<const ModemPower> power)
    : power_(std::move(power)), starts_seen_(power_->Starts()), number_(std::move(number)) {}

Modem::Session& Modem::Current() const {
  const unsigned starts = power_->Starts();
  if (starts != starts_seen_) {
    session_ = Session{};
    starts_seen_ = starts;
  }
  return session_;
}

std::string Modem::Receive(std::string_view bytes) {
  const std::lock_guard lock(mutex_);
  Session& session = Current();
  if (!power_->Powered()) {
    // A line half heard when the power went is gone with it.
    session.line.clear();
    session.line_overflowed = false;
    return {};
  }
  std::string replies;
  for (const char c : bytes) {
    if (c == '\r' || c == '\n') {
      if (session.line_overflowed) {
        replies += Error();
      } else if (!session.line.empty()) {
        replies += Answer(session, session.line);
      }
      session.line.clear();
      session.line_overflowed = false;
    } else if (session.line.size() < kMaxLine) {
      session.line += c;
    } else {
      session.line_overflowed = true;
    }
  }
  return replies;
}

std::string Modem::Answer(Session& session, std::string_view received) {
  const std::string line = Upper(received);
  if (line == "AT" || line == "AT$QCCAV" || line == "AT+CHV") return Ok();
  if (line == "AT+CAD?") return WithInformation("+CAD: 1");
  if (line == "AT*RX*MDN?") return WithInformation("*RX*MDN: " + number_);
  if (line.starts_with("AT+CDV")) return AllDigits(line.substr(6)) ? Ok() : Error();
  if (auto reply = AnswerLevel(line, "AT+CVOL", 4, session.volume)) return *reply;
  if (auto reply = AnswerLevel(line, "AT+MICG", 3, session.mic_gain)) return *reply;
  if (constexpr std::string_view kCommand = "AT*RX*SVCMODE="; line.starts_with(kCommand)) {
    if (line.substr(kCommand.size()) != kServiceModeCode) return Error();
    session.service_mode = true;
    return Ok();
  }
  if (constexpr std::string_view kCommand = "AT*RX*MDN="; line.starts_with(kCommand)) {
    const std::string number = line.substr(kCommand.size());
    if (!session.service_mode || !AllDigits(number) || number.size() > kMaxNumberDigits) {
      return Error();
    }
    number_ = number;
    return Ok();
  }
  if (line == "AT*KVX*RESET") {
    session.service_mode = false;
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
  return Current().volume;
}

int Modem::MicGain() const {
  const std::lock_guard lock(mutex_);
  return Current().mic_gain;
}

bool Modem::InServiceMode() const {
  const std::lock_guard lock(mutex_);
  return Current().service_mode;
}

}  // namespace sim
