// Arbitrary bytes as the sandbox's eas1.toml, which a person edits while the console runs: the
// TOML reading and every check of the channel list. A text is taken whole or refused with a
// line and a reason.
//
// Beyond "no crash": channels that were taken, written back as a person would write them,
// read again as the same channels.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "sim/eas_channels.h"

namespace {

std::string Written(const sim::EasChannels& channels) {
  std::string text = "eas_channels = [";
  for (std::size_t index = 0; index < channels.size(); ++index) {
    text += (index == 0 ? "" : ", ") + std::to_string(channels[index]);
  }
  return text + "]\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  sim::EasChannels channels{};
  try {
    channels = sim::ParseEasChannelsText(text);
  } catch (const platform::TomlSettingError& error) {
    fuzz::Check(*error.what() != '\0', "a refusal says what is wrong");
    return 0;
  }
  try {
    fuzz::Check(sim::ParseEasChannelsText(Written(channels)) == channels,
                "channels written back read as the same channels");
  } catch (const platform::TomlSettingError&) {
    fuzz::Check(false, "channels written back are taken");
  }
  return 0;
}
