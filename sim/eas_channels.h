// The EAS channels as a person writes them in TOML: a list of twelve integers, each from 0 to
// 4294967295 (0xFFFFFFFF), `eas_channels = [0x1a, 0, 0xFFFFFFFF, 4, 5, 6, 7, 8, 9, 10, 11, 12]`.
// One reader serves both places that hold such a list: the board profile's [drivers.EAS1],
// read at start-up, and the sandbox's eas1.toml, which a person edits while the console runs.
// Reading is strict, like the profile's: a list that is not exactly right is refused with the
// line and what is wrong, never read in part.
#pragma once

#include <toml++/toml.h>

#include <string>
#include <string_view>

#include "platform/linux/toml_fields.h"
#include "sim/eas_driver.h"

namespace sim {

// The channels in `node`, the value of the setting that `setting` names in the messages.
// Throws platform::TomlSettingError.
EasChannels ReadEasChannels(const toml::node& node, const std::string& setting);

// The channels of a TOML text that holds `eas_channels = [...]` and nothing else. Throws
// platform::TomlSettingError, for a text that is no TOML too.
EasChannels ParseEasChannelsText(std::string_view text);

}  // namespace sim
