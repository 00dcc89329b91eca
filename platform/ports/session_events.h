// What happens in a session, told as it happens to whoever keeps a record of it: the blocks on
// the serial ports, the stream drivers' requests, the text that reaches a multi-line edit pane,
// the message boxes and their answers, and the outside senders' requests. The platform and the
// outside senders call it at the one place each event passes; the console itself knows nothing
// of it. With nothing installed each call is a null check.
//
// Calls come from any thread, the serial watch thread among them, and must return at once: an
// observer copies what it is given and deals with it elsewhere. An observer may be taken away
// while others call (platform/ports/session_events.cpp tells how that stays safe).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace platform {

enum class SerialDirection { kReceived, kSent };

// One DeviceIoControl as it returned. The buffers are views of the caller's, valid for the call.
struct DriverRequestEvent {
  std::string_view device;  // "ETC1:", upper case
  std::uint32_t code = 0;
  std::optional<std::span<const std::byte>> input;  // nothing for a null pointer
  std::uint32_t input_size = 0;
  std::uint32_t output_size = 0;
  std::optional<std::span<const std::byte>> output;  // the bytes returned; nothing for null
  bool succeeded = false;
  std::uint32_t error = 0;  // last error when it failed
};

// How a pane's text changed: EM_REPLACESEL inserts at the caret, WM_SETTEXT sets the whole
// text, WM_CLEAR removes the selection.
enum class PaneChange { kInserted, kSet, kCleared };

// Where the session record stands: the file it writes, where its next line starts there, and
// that line's number (the board's mark_record tells it: platform/ports/board.h).
struct RecordPosition {
  std::filesystem::path file;  // keeps its name until the record removes it
  std::uintmax_t offset = 0;
  std::uint64_t next_sequence = 0;
};

// One argument of an outside request: a number, or a text in UTF-8.
struct RequestArgument {
  std::string_view name;
  std::variant<std::int64_t, std::string_view> value;
};

class SessionEvents {
 public:
  virtual ~SessionEvents() = default;
  // `port` as "COM1"; the bytes read or written, never empty.
  virtual void SerialBlock(std::string_view port, SerialDirection direction,
                           std::span<const std::byte> bytes) = 0;
  virtual void DriverRequest(const DriverRequestEvent& request) = 0;
  // `text` is UTF-16; empty for kCleared.
  virtual void PaneText(int control_id, PaneChange change, std::u16string_view text) = 0;
  virtual void MessageBox(std::wstring_view text, std::wstring_view caption, int answer) = 0;
  virtual void OutsideRequest(std::string_view verb,
                              std::span<const RequestArgument> arguments) = 0;
};

// The observers listen side by side, at most kMostSessionObservers at once (the session record,
// the outside senders' waiters): each call reaches every one in turn. Adding one returns false
// when the places are all taken.
inline constexpr int kMostSessionObservers = 4;
bool AddSessionEvents(SessionEvents* events);
// Takes `events` away; returns once no thread is still inside one of its calls, so the caller may
// destroy it then. Not from inside one of its calls.
void RemoveSessionEvents(SessionEvents* events);
// The installed observers as one, or null when none is: what the platform and the senders tell.
SessionEvents* CurrentSessionEvents();

}  // namespace platform
