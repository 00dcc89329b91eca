#include "platform/linux/toml_fields.h"

namespace platform {

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

void FailTomlType(const toml::node& node, const std::string& setting, std::string_view expected) {
  throw TomlSettingError(node.source(), setting + " must be " + std::string(expected) + ", not " +
                                            std::string(TomlTypeName(node.type())));
}

const toml::table& TomlTable(const toml::node& node, const std::string& setting) {
  if (const toml::table* table = node.as_table()) return *table;
  FailTomlType(node, setting, "a table");
}

const std::string& TomlString(const toml::node& node, const std::string& setting,
                              std::string_view expected) {
  if (const auto* text = node.as_string()) return text->get();
  FailTomlType(node, setting, expected);
}

std::int64_t TomlInteger(const toml::node& node, const std::string& setting) {
  if (const auto* number = node.as_integer()) return number->get();
  FailTomlType(node, setting, "an integer");
}

std::int64_t TomlIntegerIn(const toml::node& node, const std::string& setting, std::int64_t least,
                           std::int64_t most) {
  const std::int64_t value = TomlInteger(node, setting);
  if (value < least || value > most) {
    throw TomlSettingError(node.source(), setting + " must be from " + std::to_string(least) +
                                              " to " + std::to_string(most) + ", not " +
                                              std::to_string(value));
  }
  return value;
}

}  // namespace platform
