// A reader's table of the keys a TOML table may hold, each with how to read its value (a member
// function of the reader, the parser of a step's kind). The table, not a chain of comparisons, is
// the one place that says which keys there are, so the message about a key nobody knows lists
// them from it and can never leave one out.
#pragma once

#include <toml++/toml.h>

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>

#include "platform/linux/toml_fields.h"

namespace platform {

// kSection: a table of its own, which the list of known keys shows as "[name]".
enum class TomlKeyForm { kValue, kSection };

template <typename How>
struct TomlKey {
  std::string_view name;
  How how;
  TomlKeyForm form = TomlKeyForm::kValue;
};

// The entry of `keys` named `name`, or nullptr.
template <typename Keys>
auto FindTomlKey(const Keys& keys, std::string_view name) -> decltype(&*std::begin(keys)) {
  const auto found = std::find_if(std::begin(keys), std::end(keys),
                                  [&](const auto& key) { return key.name == name; });
  return found == std::end(keys) ? nullptr : &*found;
}

// "name, board, [log]": the keys in the table's order, as a message lists them.
template <typename Keys>
std::string TomlKeyNames(const Keys& keys) {
  std::string names;
  for (const auto& key : keys) {
    if (!names.empty()) names += ", ";
    names += key.form == TomlKeyForm::kSection ? "[" + std::string(key.name) + "]"
                                               : std::string(key.name);
  }
  return names;
}

// Reads every key of `table`, in the text's order, through its entry's `how`, called (as
// std::invoke calls it) with `context...` and the key's value: a member function takes its
// reader as the context. A key that no entry names throws TomlSettingError at the key, with the
// text `unknown(key, TomlKeyNames(keys))` makes of it.
template <typename Keys, typename Unknown, typename... Context>
void ReadTomlKeys(const toml::table& table, const Keys& keys, const Unknown& unknown,
                  Context&... context) {
  for (auto&& [key, value] : table) {
    const auto* entry = FindTomlKey(keys, key.str());
    if (entry == nullptr) {
      throw TomlSettingError(key.source(), unknown(key.str(), TomlKeyNames(keys)));
    }
    std::invoke(entry->how, context..., value);
  }
}

}  // namespace platform
