#include "sim/scpi_instrument.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <utility>

namespace sim {

namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::string Upper(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return upper;
}

// One node of a header as a manual writes it: "VOLTage" is VOLT or VOLTAGE.
struct PatternNode {
  std::string short_form;
  std::string long_form;
  bool optional = false;
};

struct Pattern {
  std::vector<PatternNode> nodes;
  bool query = false;
};

Pattern ParsePattern(std::string_view header) {
  Pattern pattern;
  bool optional = false;
  std::size_t at = 0;
  while (at < header.size()) {
    const char c = header[at];
    if (c == '[') optional = true;
    if (c == ']') optional = false;
    if (c == '?') pattern.query = true;
    if (c == '[' || c == ']' || c == ':' || c == '?') {
      ++at;
      continue;
    }
    const std::size_t end = std::min(header.find_first_of("[]:?", at), header.size());
    const std::string_view word = header.substr(at, end - at);
    const std::size_t capitals =
        std::find_if(word.begin(), word.end(), [](char w) { return std::islower(w) != 0; }) -
        word.begin();
    pattern.nodes.push_back({std::string(word.substr(0, capitals)), Upper(word), optional});
    at = end;
  }
  return pattern;
}

bool NodesMatch(std::span<const PatternNode> pattern, std::span<const std::string> given) {
  if (pattern.empty()) return given.empty();
  const PatternNode& node = pattern.front();
  if (!given.empty() && (given.front() == node.short_form || given.front() == node.long_form) &&
      NodesMatch(pattern.subspan(1), given.subspan(1))) {
    return true;
  }
  return node.optional && NodesMatch(pattern.subspan(1), given);
}

// Splits at commas outside parentheses, so a channel list "(@1,2)" stays one parameter.
std::vector<std::string> SplitParameters(std::string_view text) {
  std::vector<std::string> parameters;
  if (Trimmed(text).empty()) return parameters;
  int depth = 0;
  std::size_t start = 0;
  for (std::size_t at = 0; at <= text.size(); ++at) {
    const char c = at < text.size() ? text[at] : ',';
    if (c == '(') ++depth;
    if (c == ')' && depth > 0) --depth;
    if (c == ',' && depth == 0) {
      parameters.emplace_back(Trimmed(text.substr(start, at - start)));
      start = at + 1;
    }
  }
  return parameters;
}

bool ValidHeaderCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == ':' || c == '*';
}

}  // namespace

ScpiInstrument::ScpiInstrument(std::string identity, std::function<void()> reset,
                               std::vector<ScpiCommand> commands)
    : identity_(std::move(identity)), reset_(std::move(reset)) {
  commands_ = {
      {"*IDN?", 0, [this](auto) { return identity_; }},
      {"*RST", 0,
       [this](auto) {
         reset_();
         return std::string();
       }},
      {"*OPC?", 0, [](auto) { return std::string("1"); }},
      {"*CLS", 0,
       [this](auto) {
         errors_.Clear();
         return std::string();
       }},
      {"SYSTem:ERRor[:NEXT]?", 0, [this](auto) { return errors_.Pop(); }},
  };
  std::move(commands.begin(), commands.end(), std::back_inserter(commands_));
}

std::optional<std::string> ScpiInstrument::Execute(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  std::optional<std::string> answers;
  while (true) {
    const std::size_t end = std::min(line.find(';'), line.size());
    if (auto answer = ExecuteOne(Trimmed(line.substr(0, end)))) {
      answers = answers ? *answers + ";" + *answer : std::move(*answer);
    }
    if (end == line.size()) return answers;
    line.remove_prefix(end + 1);
  }
}

std::optional<std::string> ScpiInstrument::ExecuteOne(std::string_view command) {
  if (command.empty()) return std::nullopt;
  const std::size_t header_end = std::min(command.find_first_of(kBlanks), command.size());
  std::string_view header = command.substr(0, header_end);
  const bool query = header.back() == '?';
  if (query) header.remove_suffix(1);
  if (!header.empty() && header.front() == ':') header.remove_prefix(1);
  if (header.empty()) {
    errors_.Push(query ? ScpiError::kQueryUnterminated : ScpiError::kSyntax);
    return std::nullopt;
  }
  if (!std::all_of(header.begin(), header.end(), ValidHeaderCharacter)) {
    errors_.Push(ScpiError::kSyntax);
    return std::nullopt;
  }
  std::vector<std::string> nodes;
  for (std::size_t start = 0; start <= header.size();) {
    const std::size_t end = std::min(header.find(':', start), header.size());
    nodes.push_back(Upper(header.substr(start, end - start)));
    start = end + 1;
  }
  const std::vector<std::string> parameters = SplitParameters(command.substr(header_end));
  const auto found = std::find_if(commands_.begin(), commands_.end(), [&](const ScpiCommand& c) {
    const Pattern pattern = ParsePattern(c.header);
    return pattern.query == query && NodesMatch(pattern.nodes, nodes);
  });
  if (found == commands_.end()) {
    errors_.Push(ScpiError::kUndefinedHeader);
    return std::nullopt;
  }
  if (parameters.size() != found->parameters) {
    errors_.Push(parameters.size() < found->parameters ? ScpiError::kMissingParameter
                                                       : ScpiError::kParameterNotAllowed);
    return std::nullopt;
  }
  try {
    std::string answer = found->run(parameters);
    if (query) return answer;
  } catch (const ScpiFault& fault) {
    errors_.Push(fault.error);
  }
  return std::nullopt;
}

double ScpiNumber(std::string_view text, double least, double most) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
      !std::isfinite(value)) {
    throw ScpiFault{ScpiError::kIllegalParameterValue};
  }
  if (value < least || value > most) throw ScpiFault{ScpiError::kDataOutOfRange};
  return value;
}

bool ScpiBoolean(std::string_view text) {
  const std::string word = Upper(text);
  if (word == "ON" || word == "1") return true;
  if (word == "OFF" || word == "0") return false;
  throw ScpiFault{ScpiError::kIllegalParameterValue};
}

std::string ScpiDecimal(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", value + 0.0);  // never "-0.0000"
  return text;
}

}  // namespace sim
