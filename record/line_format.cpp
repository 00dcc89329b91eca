#include "record/line_format.h"

#include <time.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/terminal/utf16.h"

namespace record {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

enum class HighBytes { kAsHex, kAsUtf8 };

// How each byte stands inside a quoted text: itself, or its name in angle brackets. A flood's text
// is mostly bytes that stand for themselves, so those are copied in runs.
class QuotedForms {
 public:
  explicit QuotedForms(HighBytes high) {
    plain_.fill(true);
    for (std::size_t byte = 0; byte < kControlNames.size(); ++byte) {
      Name(byte, "<" + std::string(kControlNames[byte]) + ">");
    }
    Name(0x7F, "<DEL>");
    Name('"', "<QUOT>");
    Name('<', "<LT>");
    if (high == HighBytes::kAsUtf8) return;
    for (std::size_t byte = 0x80; byte < plain_.size(); ++byte) {
      Name(byte, {'<', 'x', static_cast<char>(std::toupper(kHexDigits[byte >> 4])),
                  static_cast<char>(std::toupper(kHexDigits[byte & 0xF])), '>'});
    }
  }

  void Append(std::string& line, std::string_view text) const {
    line += '"';
    const char* run = text.data();
    const char* const end = text.data() + text.size();
    for (const char* next = run; next != end; ++next) {
      const auto byte = static_cast<unsigned char>(*next);
      if (plain_[byte]) continue;
      line.append(run, next).append(names_[byte]);
      run = next + 1;
    }
    line.append(run, end) += '"';
  }

 private:
  void Name(std::size_t byte, std::string name) {
    plain_[byte] = false;
    names_[byte] = std::move(name);
  }

  std::array<bool, 256> plain_;
  std::array<std::string, 256> names_;
};

void AppendQuoted(std::string& line, std::string_view text, HighBytes high) {
  static const QuotedForms serial_forms(HighBytes::kAsHex);
  static const QuotedForms utf8_forms(HighBytes::kAsUtf8);
  (high == HighBytes::kAsHex ? serial_forms : utf8_forms).Append(line, text);
}

// Every byte's two hex digits, looked up whole.
const std::array<std::array<char, 2>, 256> kHexPairs = [] {
  std::array<std::array<char, 2>, 256> pairs{};
  for (std::size_t byte = 0; byte < pairs.size(); ++byte) {
    pairs[byte] = {kHexDigits[byte >> 4], kHexDigits[byte & 0xF]};
  }
  return pairs;
}();

void AppendHex(std::string& line, std::string_view bytes) {
  const std::size_t at = line.size();
  line.resize(at + 2 * bytes.size());
  char* digits = line.data() + at;
  for (const char c : bytes) {
    std::memcpy(digits, kHexPairs[static_cast<unsigned char>(c)].data(), 2);
    digits += 2;
  }
}

// Appends fields one by one, each after a space.
class FieldAppender {
 public:
  explicit FieldAppender(std::string& line) : line_(line) {}

  FieldAppender& Bare(std::string_view name, std::string_view value) {
    line_.append(" ").append(name).append("=").append(value);
    return *this;
  }
  FieldAppender& Number(std::string_view name, std::int64_t value) {
    return Bare(name, std::to_string(value));
  }
  FieldAppender& Hex(std::string_view name, std::string_view bytes) {
    line_.append(" ").append(name).append("=");
    AppendHex(line_, bytes);
    return *this;
  }
  // A buffer that may be a null pointer: "-".
  FieldAppender& Hex(std::string_view name, const std::optional<std::string>& bytes) {
    return bytes ? Hex(name, std::string_view(*bytes)) : Bare(name, "-");
  }
  FieldAppender& Text(std::string_view name, std::string_view utf8,
                      HighBytes high = HighBytes::kAsUtf8) {
    line_.append(" ").append(name).append("=");
    AppendQuoted(line_, utf8, high);
    return *this;
  }

 private:
  std::string& line_;
};

void AppendTimes(std::string& line, const EventTimes& times) {
  using namespace std::chrono;
  const auto micros = duration_cast<microseconds>(times.monotonic.time_since_epoch()).count();
  char monotonic[40];
  std::snprintf(monotonic, sizeof monotonic, " %lld.%06lld",
                static_cast<long long>(micros / 1'000'000),
                static_cast<long long>(micros % 1'000'000));
  line.append(FormatUtc(times.wall, UtcForm::kLine)).append(monotonic);
}

std::string Utf8(std::wstring_view text) { return platform::ToUtf8(platform::ToUtf16(text)); }

std::string_view ChangeName(platform::PaneChange change) {
  switch (change) {
    case platform::PaneChange::kInserted:
      return "insert";
    case platform::PaneChange::kSet:
      return "set";
    case platform::PaneChange::kCleared:
      return "clear";
  }
  return "?";
}

// Writes KIND SUBJECT and the fields of each kind of event.
class BodyWriter {
 public:
  explicit BodyWriter(std::string& line) : line_(line), fields_(line) {}

  void operator()(const RecordStarted& started) {
    line_ += "start -";
    fields_.Number("pid", started.pid);
  }
  void operator()(const RecordStopped&) { line_ += "stop -"; }
  void operator()(const EventsLost& lost) {
    line_ += "lost -";
    fields_.Number("events", static_cast<std::int64_t>(lost.count));
  }
  void operator()(const SerialBlock& block) {
    line_.append(block.direction == platform::SerialDirection::kReceived ? "rx " : "tx ")
        .append(block.port);
    fields_.Number("bytes", static_cast<std::int64_t>(block.bytes.size()))
        .Hex("hex", std::string_view(block.bytes))
        .Text("text", block.bytes, HighBytes::kAsHex);
  }
  void operator()(const DriverRequest& request) {
    line_.append("ioctl ").append(request.device);
    fields_.Number("code", request.code)
        .Number("in_size", request.input_size)
        .Hex("in", request.input)
        .Number("out_size", request.output_size)
        .Hex("out", request.output)
        .Bare("result", request.succeeded ? "ok" : "error")
        .Number("error", request.error);
  }
  void operator()(const PaneText& pane) {
    line_.append("pane ").append(std::to_string(pane.control_id));
    fields_.Bare("op", ChangeName(pane.change)).Text("text", platform::ToUtf8(pane.text));
  }
  void operator()(const MessageBoxShown& box) {
    line_ += "box -";
    fields_.Number("answer", box.answer)
        .Text("caption", Utf8(box.caption))
        .Text("text", Utf8(box.text));
  }
  void operator()(const OutsideRequest& request) {
    line_ += "cmd -";
    fields_.Bare("verb", request.verb);
    for (const auto& [name, value] : request.arguments) {
      if (const auto* number = std::get_if<std::int64_t>(&value)) {
        fields_.Number(name, *number);
      } else {
        fields_.Text(name, std::get<std::string>(value));
      }
    }
  }

 private:
  std::string& line_;
  FieldAppender fields_;
};

}  // namespace

std::string FormatUtc(std::chrono::system_clock::time_point time, UtcForm form) {
  using namespace std::chrono;
  const auto since_epoch = duration_cast<milliseconds>(time.time_since_epoch());
  const auto seconds = static_cast<time_t>(floor<std::chrono::seconds>(since_epoch).count());
  tm utc{};
  gmtime_r(&seconds, &utc);
  const char* const pattern = form == UtcForm::kLine ? "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ"
                                                     : "%04d%02d%02dT%02d%02d%02d.%03dZ";
  char text[40];
  std::snprintf(text, sizeof text, pattern, utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday,
                utc.tm_hour, utc.tm_min, utc.tm_sec,
                static_cast<int>((since_epoch.count() % 1000 + 1000) % 1000));
  return text;
}

void FormatLine(std::string& line, std::uint64_t sequence, const Event& event) {
  line.clear();
  AppendTimes(line, event.times);
  line.append(" ").append(std::to_string(sequence)).append(" ");
  std::visit(BodyWriter(line), event.body);
}

}  // namespace record
