// What outside senders and the console say to each other on the console's local socket: one
// request per connection, as one JSON object on one line, answered by one JSON reply line.
//
//   {"verb":"command","id":1006,"sync":false}
//   {"verb":"message","number":1654,"wparam":0,"lparam":-1,"sync":true}
//   {"verb":"text","id":1017,"text":"0101234567","sync":false}
//   {"verb":"select","id":1010,"start":0,"end":-1,"sync":false}
//   {"verb":"read","id":1010}
//   {"verb":"expect","pattern":"OK\\r\\n","scope":"new","timeout_ms":10000}
//   {"verb":"mark"}
//
//   {"ok":true}   {"ok":true,"text":"..."}   {"ok":false,"error":"..."}
//   {"ok":true,"note":"..."}   (taken, with something the sender should know)
//   {"ok":false,"error":"timeout","text":"..."}   (nothing matched; the last lines)
//   {"ok":true,"file":"...","offset":N,"sequence":N}   (where the session record stands)
//
// "sync" may be left out (false); an expect's "scope" (new) and "timeout_ms" (10000) too. Every
// check of a request's form and ranges lives here, a pattern's included, and both the client
// (before it connects) and the server (before it touches the dialog) go through it.
// Whether the dialog has such a control, and what kind, only the dialog can tell.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace sender {

// The longest request line, its newline included.
inline constexpr std::size_t kMaxRequestBytes = 64 * 1024;

// A click on control `id`, or the bare command when the dialog has no such control.
struct CommandRequest {
  std::int64_t id = 0;
  bool operator==(const CommandRequest&) const = default;
};
// A window message to the dialog; WPARAM and LPARAM are signed 32-bit values.
struct MessageRequest {
  std::int64_t number = 0;
  std::int64_t wparam = 0;
  std::int64_t lparam = 0;
  bool operator==(const MessageRequest&) const = default;
};
// A person typing: the edit control's whole new text, in UTF-8.
struct TextRequest {
  std::int64_t id = 0;
  std::string text;
  bool operator==(const TextRequest&) const = default;
};
// A person selecting in an edit control, with EM_SETSEL's meaning of -1.
struct SelectRequest {
  std::int64_t id = 0;
  std::int64_t start = 0;
  std::int64_t end = 0;
  bool operator==(const SelectRequest&) const = default;
};
// The control's whole text; id 0 is the dialog's own.
struct ReadRequest {
  std::int64_t id = 0;
  bool operator==(const ReadRequest&) const = default;
};

// What an expect matches: the log pane's text that arrives after the request was taken, the
// pane's whole text and what arrives after, or the text of each message box shown after.
enum class ExpectScope { kNew, kWhole, kBox };

inline constexpr std::int64_t kDefaultExpectMilliseconds = 10'000;
inline constexpr std::int64_t kLongestExpectMilliseconds = 3'600'000;
// The error of an expect that nothing matched in time; its text is the pane's last lines (the
// last message box's text for kBox).
inline constexpr char kExpectTimedOut[] = "timeout";

// Waits for `pattern` (text_pattern.h) to match; the reply's text is the match.
struct ExpectRequest {
  std::string pattern;
  ExpectScope scope = ExpectScope::kNew;
  std::int64_t timeout_ms = kDefaultExpectMilliseconds;
  bool operator==(const ExpectRequest&) const = default;
};
// Where the session record stands once everything recorded before the request is written.
struct MarkRequest {
  bool operator==(const MarkRequest&) const = default;
};

using Action = std::variant<CommandRequest, MessageRequest, TextRequest, SelectRequest, ReadRequest,
                            ExpectRequest, MarkRequest>;

// When the console replies: once the request is queued on the user-interface thread, or once its
// handler has run there. A read always waits for the text.
enum class Delivery { Queued, AfterHandler };

struct Request {
  Action action;
  Delivery delivery = Delivery::Queued;
  bool operator==(const Request&) const = default;
};

// The request's verb, as the request line names it ("command").
std::string_view VerbOf(const Action& action);
// The scope, as the request line names it ("new").
std::string_view NameOf(ExpectScope scope);

// Whether the reply waits for the user-interface thread: sync requests and reads do. Expects and
// marks are answered apart from the dialog.
bool WaitsForHandler(const Request& request);

struct ProtocolError {
  std::string message;
};

// Why the request cannot be carried out as it stands (ranges, UTF-8, refused messages), or nothing.
std::optional<ProtocolError> Validate(const Request& request);

// The request's line, newline included, once it passes Validate and fits kMaxRequestBytes.
std::variant<std::string, ProtocolError> EncodeRequest(const Request& request);
// A request line (without its newline) as the server received it, validated.
std::variant<Request, ProtocolError> DecodeRequest(std::string_view line);

// A mark's answer: the record's file, where its next line starts and that line's number.
struct RecordMark {
  std::string file;
  std::uint64_t offset = 0;
  std::uint64_t sequence = 0;
  bool operator==(const RecordMark&) const = default;
};

struct Reply {
  std::optional<std::string> error;  // set when the request was refused or failed
  std::optional<std::string> text;   // what a read found or an expect matched, in UTF-8
  std::optional<std::string> note;   // beside a success: what the sender should know of it
  std::optional<RecordMark> mark;

  static Reply Done() { return {}; }
  static Reply Text(std::string text) {
    Reply reply;
    reply.text = std::move(text);
    return reply;
  }
  static Reply Failed(std::string error) {
    Reply reply;
    reply.error = std::move(error);
    return reply;
  }
  static Reply Marked(RecordMark mark) {
    Reply reply;
    reply.mark = std::move(mark);
    return reply;
  }
  bool ok() const { return !error.has_value(); }
  bool operator==(const Reply&) const = default;
};

// The reply's line, newline included.
std::string EncodeReply(const Reply& reply);
// A reply line without its newline; nothing when it is not a reply.
std::optional<Reply> DecodeReply(std::string_view line);

}  // namespace sender
