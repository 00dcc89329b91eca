#include "sim/eas_channels.h"

#include <cstdint>
#include <limits>

namespace sim {

namespace {

constexpr std::string_view kSetting = "eas_channels";

[[noreturn]] void FailType(const toml::node& node, const std::string& setting,
                           std::string_view expected) {
  throw TomlSettingError(node.source(), setting + " must be " + std::string(expected) + ", not " +
                                            std::string(TomlTypeName(node.type())));
}

}  // namespace

std::string_view TomlTypeName(toml::node_type type) {
  switch (type) {
    case toml::node_type::table:
      return "a table";
    case toml::node_type::array:
      return "a list";
    case toml::node_type::string:
      return "a string";
    case toml::node_type::integer:
      return "an integer";
    case toml::node_type::floating_point:
      return "a floating-point number";
    case toml::node_type::boolean:
      return "a boolean";
    default:
      return "a date or time";
  }
}

EasChannels ReadEasChannels(const toml::node& node, const std::string& setting) {
  const toml::array* list = node.as_array();
  if (list == nullptr) FailType(node, setting, "a list of 12 integers");
  EasChannels channels{};
  if (list->size() != channels.size()) {
    throw TomlSettingError(node.source(), setting + " must hold 12 values, one a channel, not " +
                                              std::to_string(list->size()));
  }
  for (std::size_t index = 0; index < channels.size(); ++index) {
    const toml::node& element = *list->get(index);
    const std::string channel = setting + ": channel " + std::to_string(index + 1);
    const auto* number = element.as_integer();
    if (number == nullptr) FailType(element, channel, "an integer");
    const std::int64_t value = number->get();
    if (value < 0 || value > std::numeric_limits<DWORD>::max()) {
      throw TomlSettingError(element.source(), channel +
                                                   " must be from 0 to 4294967295 (0xFFFFFFFF), "
                                                   "not " + std::to_string(value));
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
      throw TomlSettingError(key.source(), "unknown setting \"" + std::string(key.str()) +
                                               "\" (known: eas_channels)");
    }
    channels = &value;
  }
  if (channels == nullptr) throw TomlSettingError({}, "eas_channels is missing");
  return ReadEasChannels(*channels, std::string(kSetting));
}

}  // namespace sim
