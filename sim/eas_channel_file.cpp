#include "sim/eas_channel_file.h"

#include <string>

#include "sim/eas_channels.h"

namespace sim {

std::optional<EasChannels> ReadEasChannelFile(const Sandbox& sandbox) {
  std::optional<std::string> text;
  try {
    text = sandbox.ReadSmallFile(kEasChannelFileName, kMaxEasChannelFileBytes);
  } catch (const SandboxError& error) {
    throw EasChannelFileError(error.what());
  }
  if (!text) return std::nullopt;
  try {
    return ParseEasChannelsText(*text);
  } catch (const platform::TomlSettingError& error) {
    const std::string file = (sandbox.Folder() / kEasChannelFileName).string();
    const auto line = error.Where().begin.line;
    throw EasChannelFileError(file + (line > 0 ? ":" + std::to_string(line) : std::string()) +
                              ": " + error.what());
  }
}

}  // namespace sim
