// Arbitrary bytes as the line a raw sender writes to the console's socket, through everything
// the console does with it before the dialog sees it: decoding, the checks of form and range,
// and the reply that goes back. The same bytes also go through the client's reading of a reply,
// since a reply line is just as untrusted on the client's side.
//
// Beyond "no crash": a request that decodes survives the client's trip back to a line and
// decodes to itself; a refusal comes back to the client as the same message. The bytes read as
// UTF-16 units, a control's text, make the same read reply straight from UTF-16 as through UTF-8.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <variant>

#include "fuzz/fuzz_check.h"
#include "platform/terminal/utf16.h"
#include "sender/protocol.h"
#include "sender/text_reply.h"

namespace {

using namespace sender;

// The line without its newline, as the peer reads it.
std::string_view WithoutNewline(const std::string& line) {
  return std::string_view(line).substr(0, line.size() - 1);
}

void CheckRequestRoundTrip(const Request& request) {
  fuzz::Check(!Validate(request), "a decoded request passes Validate");
  const auto encoded = EncodeRequest(request);
  // What a raw sender may leave out ("sync", spaces) the client writes out, so a request just
  // under the limit may no longer fit; anything else must encode.
  if (const auto* refusal = std::get_if<ProtocolError>(&encoded)) {
    fuzz::Check(refusal->message.starts_with("the request takes "),
                "a decoded request encodes unless it is too long");
    return;
  }
  const auto decoded = DecodeRequest(WithoutNewline(std::get<std::string>(encoded)));
  const auto* again = std::get_if<Request>(&decoded);
  fuzz::Check(again != nullptr && *again == request, "an encoded request decodes to itself");
}

void CheckReplyRoundTrip(const Reply& reply) {
  const auto decoded = DecodeReply(WithoutNewline(EncodeReply(reply)));
  fuzz::Check(decoded.has_value() && *decoded == reply, "a reply decodes to itself");
}

void CheckTextReply(const std::uint8_t* data, std::size_t size) {
  std::u16string units(size / 2, u'\0');
  std::memcpy(units.data(), data, units.size() * 2);
  fuzz::Check(EncodeTextReply(units) == EncodeReply(Reply::Text(platform::ToUtf8(units))),
              "a read's reply made from UTF-16 is the one its UTF-8 makes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);

  const auto request = DecodeRequest(line);
  if (const auto* decoded = std::get_if<Request>(&request)) {
    CheckRequestRoundTrip(*decoded);
  } else {
    CheckReplyRoundTrip(Reply::Failed(std::get<ProtocolError>(request).message));
  }

  if (const auto reply = DecodeReply(line)) CheckReplyRoundTrip(*reply);
  CheckTextReply(data, size);
  return 0;
}
