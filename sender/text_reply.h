// A read's reply line, made straight from the control's own UTF-16 text: the JSON string is
// escaped and converted to UTF-8 in one go into a line sized exactly beforehand, so that a read of
// a full log pane holds one copy of its text beside the pane, never the several that converting,
// building a JSON value and printing it would make. The line is the one EncodeReply makes of the
// same text in UTF-8 (protocol.h), byte for byte: lone surrogates become U+FFFD, control
// characters their escapes.
#pragma once

#include <string>
#include <string_view>

namespace sender {

// {"ok":true,"text":"..."} and its newline.
std::string EncodeTextReply(std::u16string_view text);

}  // namespace sender
