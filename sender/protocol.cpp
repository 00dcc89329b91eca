#include "sender/protocol.h"

#include <array>
#include <limits>
#include <nlohmann/json.hpp>

#include "platform/terminal/code_page.h"
#include "sender/message_policy.h"
#include "sender/overloaded.h"
#include "sender/text_pattern.h"

namespace sender {

namespace {

using nlohmann::json;

constexpr std::int64_t kLargestId = 0xFFFF;
constexpr std::int64_t kLargestMessage = 0xFFFF;
constexpr std::int64_t kSmallestInt32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kLargestInt32 = std::numeric_limits<std::int32_t>::max();

// Thrown inside this file only, to leave a half-read request; DecodeRequest turns it into an error.
struct Malformed {
  std::string message;
};

std::optional<ProtocolError> CheckRange(std::string_view what, std::int64_t value,
                                        std::int64_t smallest, std::int64_t largest) {
  if (value >= smallest && value <= largest) return std::nullopt;
  return ProtocolError{std::string(what) + " " + std::to_string(value) + " is out of range (" +
                       std::to_string(smallest) + " to " + std::to_string(largest) + ")"};
}

std::optional<ProtocolError> CheckId(std::int64_t id) {
  return CheckRange("ID", id, 0, kLargestId);
}

std::optional<ProtocolError> CheckInt32(std::string_view what, std::int64_t value) {
  return CheckRange(what, value, kSmallestInt32, kLargestInt32);
}

std::optional<ProtocolError> CheckText(const std::string& text) {
  if (!platform::FromUtf8(text)) return ProtocolError{"TEXT is not valid UTF-8"};
  if (text.find('\0') != std::string::npos) {
    return ProtocolError{"TEXT contains a NUL character, which an edit control cannot hold"};
  }
  return std::nullopt;
}

std::optional<ProtocolError> FirstError(
    std::initializer_list<std::optional<ProtocolError>> checks) {
  for (const auto& check : checks) {
    if (check) return check;
  }
  return std::nullopt;
}

// The verbs, as requests and the command line name them.
constexpr std::array<std::string_view, std::variant_size_v<Action>> kVerbNames{
    "command", "message", "text", "select", "read", "expect", "mark"};

// An expect's scopes, in ExpectScope's order.
constexpr std::array<std::string_view, 3> kScopeNames{"new", "whole", "box"};

ExpectScope ScopeNamed(const std::string& name) {
  for (std::size_t index = 0; index < kScopeNames.size(); ++index) {
    if (kScopeNames[index] == name) return static_cast<ExpectScope>(index);
  }
  throw Malformed{"field \"scope\" must be \"new\", \"whole\" or \"box\""};
}

json ActionFields(const Action& action) {
  return std::visit(
      Overloaded{
          [](const CommandRequest& command) {
            return json{{"id", command.id}};
          },
          [](const MessageRequest& message) {
            return json{
                {"number", message.number}, {"wparam", message.wparam}, {"lparam", message.lparam}};
          },
          [](const TextRequest& text) {
            return json{{"id", text.id}, {"text", text.text}};
          },
          [](const SelectRequest& select) {
            return json{{"id", select.id}, {"start", select.start}, {"end", select.end}};
          },
          [](const ReadRequest& read) {
            return json{{"id", read.id}};
          },
          [](const ExpectRequest& expect) {
            return json{{"pattern", expect.pattern},
                        {"scope", NameOf(expect.scope)},
                        {"timeout_ms", expect.timeout_ms}};
          },
          [](const MarkRequest&) { return json::object(); },
      },
      action);
}

// A request object's fields, checked one by one as the verb asks for them.
class Fields {
 public:
  explicit Fields(const json& object) : object_(object) {}

  const json& Get(const char* name) const {
    const auto it = object_.find(name);
    if (it == object_.end()) throw Malformed{std::string("missing field \"") + name + "\""};
    return *it;
  }

  std::int64_t Integer(const char* name) const {
    const json& value = Get(name);
    if (value.is_number_unsigned()) {
      const auto unsigned_value = value.get<std::uint64_t>();
      if (unsigned_value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        throw Malformed{std::string("field \"") + name + "\" is out of range"};
      }
      return static_cast<std::int64_t>(unsigned_value);
    }
    if (value.is_number_integer()) return value.get<std::int64_t>();
    throw Malformed{std::string("field \"") + name + "\" must be an integer"};
  }

  std::string String(const char* name) const {
    const json& value = Get(name);
    if (!value.is_string()) throw Malformed{std::string("field \"") + name + "\" must be a string"};
    return value.get<std::string>();
  }

  bool Has(const char* name) const { return object_.contains(name); }

  Delivery DeliveryField() const {
    const auto it = object_.find("sync");
    if (it == object_.end()) return Delivery::Queued;
    if (!it->is_boolean()) throw Malformed{"field \"sync\" must be true or false"};
    return it->get<bool>() ? Delivery::AfterHandler : Delivery::Queued;
  }

  // Refuses fields that the verb does not know, so that a misspelt field is not silently dropped.
  void OnlyThese(std::initializer_list<std::string_view> names) const {
    for (const auto& [key, value] : object_.items()) {
      bool known = key == "verb" || key == "sync";
      for (std::string_view name : names) known = known || key == name;
      if (!known) throw Malformed{"unknown field \"" + key + "\""};
    }
  }

 private:
  const json& object_;
};

Action ReadAction(const Fields& fields, std::string_view verb) {
  if (verb == "command") {
    fields.OnlyThese({"id"});
    return CommandRequest{fields.Integer("id")};
  }
  if (verb == "message") {
    fields.OnlyThese({"number", "wparam", "lparam"});
    return MessageRequest{fields.Integer("number"), fields.Integer("wparam"),
                          fields.Integer("lparam")};
  }
  if (verb == "text") {
    fields.OnlyThese({"id", "text"});
    return TextRequest{fields.Integer("id"), fields.String("text")};
  }
  if (verb == "select") {
    fields.OnlyThese({"id", "start", "end"});
    return SelectRequest{fields.Integer("id"), fields.Integer("start"), fields.Integer("end")};
  }
  if (verb == "read") {
    fields.OnlyThese({"id"});
    return ReadRequest{fields.Integer("id")};
  }
  if (verb == "expect") {
    fields.OnlyThese({"pattern", "scope", "timeout_ms"});
    ExpectRequest expect{fields.String("pattern")};
    if (fields.Has("scope")) expect.scope = ScopeNamed(fields.String("scope"));
    if (fields.Has("timeout_ms")) expect.timeout_ms = fields.Integer("timeout_ms");
    return expect;
  }
  if (verb == "mark") {
    fields.OnlyThese({});
    return MarkRequest{};
  }
  throw Malformed{"unknown verb \"" + std::string(verb) + "\""};
}

Request ParseRequest(std::string_view line) {
  json object;
  try {
    object = json::parse(line);
  } catch (const json::parse_error& error) {
    throw Malformed{"the request is not valid JSON (at byte " + std::to_string(error.byte) + ")"};
  } catch (const json::out_of_range&) {
    // A number beyond a double's range ("1e400", 400 digits) anywhere in the line, even in a
    // field that the verb would refuse.
    throw Malformed{"the request holds a number too large to read"};
  } catch (const json::exception& error) {
    // Whatever else the parser may throw is one more malformed line, never the end of the
    // connection's thread.
    throw Malformed{std::string("the request cannot be read: ") + error.what()};
  }
  if (!object.is_object()) throw Malformed{"the request is not a JSON object"};
  const Fields fields(object);
  const std::string verb = fields.String("verb");
  Request request{ReadAction(fields, verb), fields.DeliveryField()};
  if (auto error = Validate(request)) throw Malformed{std::move(error->message)};
  return request;
}

}  // namespace

std::string_view VerbOf(const Action& action) { return kVerbNames[action.index()]; }

std::string_view NameOf(ExpectScope scope) { return kScopeNames[static_cast<std::size_t>(scope)]; }

bool WaitsForHandler(const Request& request) {
  return request.delivery == Delivery::AfterHandler ||
         std::holds_alternative<ReadRequest>(request.action);
}

std::optional<ProtocolError> Validate(const Request& request) {
  return std::visit(
      Overloaded{
          [](const CommandRequest& command) { return CheckId(command.id); },
          [](const MessageRequest& message) -> std::optional<ProtocolError> {
            if (auto error = CheckRange("message", message.number, 0, kLargestMessage)) {
              return error;
            }
            if (auto refusal = RefusalOfMessage(message.number)) return ProtocolError{*refusal};
            return FirstError(
                {CheckInt32("WPARAM", message.wparam), CheckInt32("LPARAM", message.lparam)});
          },
          [](const TextRequest& text) {
            return FirstError({CheckId(text.id), CheckText(text.text)});
          },
          [](const SelectRequest& select) {
            return FirstError({CheckId(select.id), CheckInt32("START", select.start),
                               CheckInt32("END", select.end)});
          },
          [](const ReadRequest& read) { return CheckId(read.id); },
          [](const ExpectRequest& expect) -> std::optional<ProtocolError> {
            if (auto error =
                    CheckRange("TIMEOUT", expect.timeout_ms, 1, kLongestExpectMilliseconds)) {
              return ProtocolError{error->message + " milliseconds"};
            }
            const auto compiled = TextPattern::Compile(expect.pattern);
            if (const auto* error = std::get_if<PatternError>(&compiled)) {
              return ProtocolError{error->message};
            }
            return std::nullopt;
          },
          [](const MarkRequest&) -> std::optional<ProtocolError> { return std::nullopt; },
      },
      request.action);
}

std::variant<std::string, ProtocolError> EncodeRequest(const Request& request) {
  if (auto error = Validate(request)) return *error;
  json object = ActionFields(request.action);
  object["verb"] = VerbOf(request.action);
  object["sync"] = request.delivery == Delivery::AfterHandler;
  std::string line;
  try {
    line = object.dump();
  } catch (const json::type_error&) {
    return ProtocolError{"TEXT is not valid UTF-8"};
  }
  line += '\n';
  if (line.size() > kMaxRequestBytes) {
    return ProtocolError{"the request takes " + std::to_string(line.size()) +
                         " bytes, more than the " + std::to_string(kMaxRequestBytes) +
                         " a request may take"};
  }
  return line;
}

std::variant<Request, ProtocolError> DecodeRequest(std::string_view line) {
  try {
    return ParseRequest(line);
  } catch (const Malformed& malformed) {
    return ProtocolError{malformed.message};
  }
}

std::string EncodeReply(const Reply& reply) {
  json object{{"ok", reply.ok()}};
  if (reply.error) object["error"] = *reply.error;
  if (reply.text) object["text"] = *reply.text;
  if (reply.note) object["note"] = *reply.note;
  if (reply.mark) {
    object["file"] = reply.mark->file;
    object["offset"] = reply.mark->offset;
    object["sequence"] = reply.mark->sequence;
  }
  // A reply must always go out: bytes that are not UTF-8 become U+FFFD rather than an exception.
  return object.dump(-1, ' ', false, json::error_handler_t::replace) + '\n';
}

namespace {

// The optional text field `name` into `field`; false when it is there but no text.
bool ReadText(const json& object, const char* name, std::optional<std::string>& field) {
  const auto value = object.find(name);
  if (value == object.end()) return true;
  if (!value->is_string()) return false;
  field = value->get<std::string>();
  return true;
}

// A mark's fields, when the reply has them; false when they are there but malformed.
bool ReadMark(const json& object, std::optional<RecordMark>& mark) {
  const auto file = object.find("file");
  if (file == object.end()) return true;
  const auto offset = object.find("offset");
  const auto sequence = object.find("sequence");
  if (!file->is_string() || offset == object.end() || !offset->is_number_unsigned() ||
      sequence == object.end() || !sequence->is_number_unsigned()) {
    return false;
  }
  mark = RecordMark{file->get<std::string>(), offset->get<std::uint64_t>(),
                    sequence->get<std::uint64_t>()};
  return true;
}

}  // namespace

std::optional<Reply> DecodeReply(std::string_view line) {
  const json object = json::parse(line, nullptr, /*allow_exceptions=*/false);
  if (!object.is_object()) return std::nullopt;
  const auto ok = object.find("ok");
  if (ok == object.end() || !ok->is_boolean()) return std::nullopt;
  Reply reply;
  if (!ReadText(object, "text", reply.text)) return std::nullopt;
  if (ok->get<bool>()) {
    if (!ReadText(object, "note", reply.note) || !ReadMark(object, reply.mark)) {
      return std::nullopt;
    }
    return reply;
  }
  if (!ReadText(object, "error", reply.error) || !reply.error) return std::nullopt;
  return reply;
}

}  // namespace sender
