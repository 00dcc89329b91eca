#include "sim/eas_channels.h"

#include <cstdint>
#include <limits>

namespace sim {

using platform::TomlSettingError;

namespace {

constexpr std::string_view kSetting = "eas_channels";

}  // namespace

EasChannels ReadEasChannels(const toml::node& node, const std::string& setting) {
  const toml::array* list = node.as_array();
  if (list == nullptr) platform::FailTomlType(node, setting, "a list of 12 integers");
  EasChannels channels{};
  if (list->size() != channels.size()) {
    throw TomlSettingError(node.source(), setting + " must hold 12 values, one a channel, not " +
                                              std::to_string(list->size()));
  }
  for (std::size_t index = 0; index < channels.size(); ++index) {
    const toml::node& element = *list->get(index);
    const std::string channel = setting + ": channel " + std::to_string(index + 1);
    const std::int64_t value = platform::TomlInteger(element, channel);
    if (value < 0 || value > std::numeric_limits<DWORD>::max()) {
      throw TomlSettingError(element.source(), channel +
                                                   " must be from 0 to 4294967295 (0xFFFFFFFF), "
                                                   "not " +
                                                   std::to_string(value));
    }
    channels[index] = static_cast<DWORD>(value);
  }
  return channels;
}

EasChannels ParseEasChannelsText(std::string_view text) {
  toml::table table;
  try {
    table = toml::parse(text);
  } catch (const toml::parse_error& error) {
    throw TomlSettingError(error.source(), std::string(error.description()));
  }
  const toml::node* channels = nullptr;
  for (const auto& [key, value] : table) {
    if (key.str() != kSetting) {
      throw TomlSettingError(
          key.source(), "unknown setting \"" + std::string(key.str()) + "\" (known: eas_channels)");
    }
    channels = &value;
  }
  if (channels == nullptr) throw TomlSettingError({}, "eas_channels is missing");
  return ReadEasChannels(*channels, std::string(kSetting));
}

}  // namespace sim
