// Reading the text a board's files hold: a line's level in a value file ("1\n" from a sysfs GPIO,
// "255\n" from an LED) and a channel's raw reading ("3071\n" from an IIO file). Files of the
// kernel end their text with a newline, files a person wrote may end with any blank; anything
// else that is not exactly the expected text is garbage, never guessed at.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace board_io {

// True for `on_text`, false for `off_text`, after trailing blanks on either side are set aside;
// nothing for any other text.
std::optional<bool> ParseLevel(std::string_view text, std::string_view on_text,
                               std::string_view off_text);

// A decimal number from 0 to 4294967295 with nothing but trailing blanks after it.
std::optional<std::uint32_t> ParseChannel(std::string_view text);

}  // namespace board_io
