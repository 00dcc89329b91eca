#include "record/record_line.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <map>

#include "record/line_format.h"

namespace record {

namespace {

// The record's times come from the steady clock's nanoseconds: a time beyond them was never
// written by a console, and would not fit that clock again.
constexpr std::uint64_t kMostSeconds =
    std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::duration::max())
        .count() -
    1;

struct Field {
  std::string_view value;
  bool quoted = false;
};
using Fields = std::map<std::string_view, Field, std::less<>>;

// Thrown inside the parser only, and turned into the returned LineFault.
struct Refusal {
  std::string what;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::optional<int> HexDigit(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return std::nullopt;
}

// 2024-05-01T03:34:56.789Z, its digits not checked further: the replay does not use it.
bool IsWallClock(std::string_view text) {
  constexpr std::string_view kPattern = "dddd-dd-ddTdd:dd:dd.dddZ";
  if (text.size() != kPattern.size()) return false;
  for (std::size_t index = 0; index < text.size(); ++index) {
    if (kPattern[index] == 'd' ? !IsDigit(text[index]) : text[index] != kPattern[index]) {
      return false;
    }
  }
  return true;
}

// Decimal digits alone, within 64 bits.
std::optional<std::uint64_t> Decimal(std::string_view text) {
  if (text.empty() || !std::all_of(text.begin(), text.end(), IsDigit)) return std::nullopt;
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::chrono::microseconds Monotonic(std::string_view text) {
  const auto dot = text.find('.');
  const Refusal refusal{"the monotonic time is not seconds with six decimals"};
  if (dot == std::string_view::npos || text.size() - dot - 1 != 6) throw refusal;
  const auto seconds = Decimal(text.substr(0, dot));
  const auto micros = Decimal(text.substr(dot + 1));
  if (!seconds || !micros || *seconds > kMostSeconds) throw refusal;
  return std::chrono::microseconds(static_cast<std::int64_t>(*seconds * 1'000'000 + *micros));
}

// The next word up to a single space or the end.
std::string_view NextWord(std::string_view& rest, const char* what) {
  const auto end = rest.find(' ');
  const std::string_view word = rest.substr(0, end);
  if (word.empty()) throw Refusal{std::string("no ") + what};
  rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
  return word;
}

Fields ParseFields(std::string_view rest) {
  Fields fields;
  while (!rest.empty()) {
    const auto equals = rest.find('=');
    if (equals == std::string_view::npos) throw Refusal{"a field without '='"};
    const std::string_view name = rest.substr(0, equals);
    const bool plain_name = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
      return (c >= 'a' && c <= 'z') || c == '_' || IsDigit(c);
    });
    if (!plain_name) throw Refusal{"a field's name is not a lower-case word"};
    rest.remove_prefix(equals + 1);
    Field field;
    if (rest.starts_with('"')) {
      const auto close = rest.find('"', 1);
      if (close == std::string_view::npos) throw Refusal{"a text without its closing quote"};
      field = {rest.substr(1, close - 1), true};
      rest.remove_prefix(close + 1);
    } else {
      const auto end = std::min(rest.find(' '), rest.size());
      field = {rest.substr(0, end), false};
      rest.remove_prefix(end);
    }
    if (!rest.empty()) {
      if (rest.front() != ' ') throw Refusal{"a text runs into the next field"};
      rest.remove_prefix(1);
    }
    if (!fields.emplace(name, field).second) {
      throw Refusal{"the field " + std::string(name) + " appears twice"};
    }
  }
  return fields;
}

std::string_view Bare(const Fields& fields, std::string_view name) {
  const auto found = fields.find(name);
  if (found == fields.end() || found->second.quoted) {
    throw Refusal{"no bare field " + std::string(name)};
  }
  return found->second.value;
}

std::optional<char> NamedByte(std::string_view name) {
  const auto control = std::find(kControlNames.begin(), kControlNames.end(), name);
  if (control != kControlNames.end()) return static_cast<char>(control - kControlNames.begin());
  if (name == "DEL") return '\x7f';
  if (name == "QUOT") return '"';
  if (name == "LT") return '<';
  if (name.size() == 3 && name[0] == 'x') {
    const auto high = HexDigit(name[1]);
    const auto low = HexDigit(name[2]);
    if (high && low) return static_cast<char>(*high * 16 + *low);
  }
  return std::nullopt;
}

// A block's text back to its bytes: names in angle brackets, everything else as it stands.
std::string BlockTextBytes(std::string_view text) {
  std::string bytes;
  while (!text.empty()) {
    if (text.front() != '<') {
      bytes += text.front();
      text.remove_prefix(1);
      continue;
    }
    const auto close = text.find('>');
    const auto byte =
        close == std::string_view::npos ? std::nullopt : NamedByte(text.substr(1, close - 1));
    if (!byte) throw Refusal{"the block's text names a byte that has no name"};
    bytes += *byte;
    text.remove_prefix(close + 1);
  }
  return bytes;
}

std::string HexBytes(std::string_view hex, std::uint64_t count) {
  if (hex.size() != count * 2) throw Refusal{"the block's hex is not bytes= bytes long"};
  std::string bytes;
  bytes.reserve(count);
  for (std::size_t index = 0; index < hex.size(); index += 2) {
    const auto high = HexDigit(hex[index]);
    const auto low = HexDigit(hex[index + 1]);
    if (!high || !low) throw Refusal{"the block's hex has a character that is no hex digit"};
    bytes += static_cast<char>(*high * 16 + *low);
  }
  return bytes;
}

bool IsPortName(std::string_view port) {
  return port.size() >= 4 && port.size() <= 5 && port.starts_with("COM") && port[3] != '0' &&
         std::all_of(port.begin() + 3, port.end(), IsDigit);
}

RecordedBlock Block(std::string_view kind, std::string_view port, const Fields& fields) {
  if (!IsPortName(port)) throw Refusal{"a serial block's port is not COM1 to COM99"};
  const auto count = Decimal(Bare(fields, "bytes"));
  if (!count || *count > kMostBlockBytes) {
    throw Refusal{"the block's bytes= is not a count up to " + std::to_string(kMostBlockBytes)};
  }
  RecordedBlock block{
      std::string(port),
      kind == "rx" ? platform::SerialDirection::kReceived : platform::SerialDirection::kSent,
      HexBytes(Bare(fields, "hex"), *count)};
  if (const auto text = fields.find("text"); text != fields.end()) {
    if (!text->second.quoted || BlockTextBytes(text->second.value) != block.bytes) {
      throw Refusal{"the block's text does not say the same bytes as its hex"};
    }
  }
  return block;
}

RecordedLine Parse(std::string_view rest) {
  if (rest.ends_with(' ')) throw Refusal{"the line ends with a space"};
  if (!IsWallClock(NextWord(rest, "wall clock"))) {
    throw Refusal{"the wall clock is not a UTC time with milliseconds"};
  }
  RecordedLine line;
  line.monotonic = Monotonic(NextWord(rest, "monotonic time"));
  const auto sequence = Decimal(NextWord(rest, "line number"));
  if (!sequence || *sequence == 0) throw Refusal{"the line number is not a number from 1"};
  line.sequence = *sequence;
  const std::string_view kind = NextWord(rest, "kind");
  if (!std::all_of(kind.begin(), kind.end(), [](char c) { return c >= 'a' && c <= 'z'; })) {
    throw Refusal{"the kind is not a lower-case word"};
  }
  line.kind = kind;
  const std::string_view subject = NextWord(rest, "subject");
  const Fields fields = ParseFields(rest);
  if (kind == "rx" || kind == "tx") line.block = Block(kind, subject, fields);
  if (kind == "lost") {
    line.lost_events = Decimal(Bare(fields, "events"));
    if (!line.lost_events) throw Refusal{"the lost events= is not a count"};
  }
  return line;
}

}  // namespace

std::variant<RecordedLine, LineFault> ParseRecordLine(std::string_view line) {
  try {
    return Parse(line);
  } catch (const Refusal& refusal) {
    return LineFault{refusal.what};
  }
}

}  // namespace record
