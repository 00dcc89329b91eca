// Typed access to the settings of a TOML text a person wrote: a board profile, a test plan, the
// sandbox's EAS channels. Each reads one value as the kind it must be, or throws TomlSettingError
// with where the value stands and what is wrong with it, in the words all those readers share:
// "attempts must be an integer, not a string", "attempts must be from 1 to 100, not 0".
// ReadTomlText adds the file's name and the line to the message.
#pragma once

#include <toml++/toml.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace platform {

// A fault in a TOML text a person wrote: where it is and what is wrong.
class TomlSettingError : public std::runtime_error {
 public:
  TomlSettingError(const toml::source_region& where, const std::string& what)
      : std::runtime_error(what), where_(where) {}
  const toml::source_region& Where() const { return where_; }

 private:
  toml::source_region where_;
};

// The kind of value a message names: "a list", "an integer", ...
std::string_view TomlTypeName(toml::node_type type);

// Throws "SETTING must be EXPECTED, not WHAT IT IS".
[[noreturn]] void FailTomlType(const toml::node& node, const std::string& setting,
                               std::string_view expected);

const toml::table& TomlTable(const toml::node& node, const std::string& setting);
// `expected` names what the string stands for, where that says more than "a string".
const std::string& TomlString(const toml::node& node, const std::string& setting,
                              std::string_view expected = "a string");
std::int64_t TomlInteger(const toml::node& node, const std::string& setting);
std::int64_t TomlIntegerIn(const toml::node& node, const std::string& setting, std::int64_t least,
                           std::int64_t most);

// Parses `text` and hands its table to `read`, which throws TomlSettingError for what is wrong
// in it. A text that is no TOML, and any such fault, comes out as Error("NAME:LINE: what"), so
// a reader's every mistake is told in the same words, with the file and the line.
template <typename Error, typename Read>
auto ReadTomlText(std::string_view text, const std::string& name, const Read& read) {
  const auto fault = [&](const toml::source_region& where, std::string_view what) {
    return Error(name + ":" + std::to_string(where.begin.line) + ": " + std::string(what));
  };
  toml::table table;
  try {
    table = toml::parse(text, name);
  } catch (const toml::parse_error& parse_error) {
    throw fault(parse_error.source(), parse_error.description());
  }
  try {
    return read(std::as_const(table));
  } catch (const TomlSettingError& error) {
    throw fault(error.Where(), error.what());
  }
}

}  // namespace platform
