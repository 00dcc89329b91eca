#include "tools/unit_run/volume_files.h"

#include "board/profile.h"
#include "platform/ports/sandbox_location.h"
#include "platform/terminal/code_page.h"
#include "sim/sandbox.h"

namespace unit_run {

VolumeFiles::VolumeFiles(const std::filesystem::path& sandbox,
                         const std::optional<std::filesystem::path>& profile) {
  const board::BoardSettings settings =
      profile ? board::ReadProfile(*profile) : board::BoardSettings{};
  for (std::string_view name : sim::kVolumeNames) {
    const board::VolumeSetting setting = settings.Volume(name);
    const std::wstring wide(name.begin(), name.end());
    if (setting.placement == board::VolumePlacement::kFolder) {
      volumes_.Add(wide, setting.folder);
    } else if (setting.placement == board::VolumePlacement::kInSandbox && !sandbox.empty()) {
      volumes_.Add(wide, platform::VolumeFolderIn(sandbox, name));
    }
  }
}

std::optional<std::filesystem::path> VolumeFiles::Find(const std::string& terminal_path,
                                                       std::string& error) const {
  const std::optional<std::wstring> wide = platform::FromUtf8(terminal_path);
  DWORD why = ERROR_INVALID_NAME;
  std::optional<std::filesystem::path> found;
  if (wide) found = volumes_.Resolve(*wide, &why);
  if (found) return found;
  switch (why) {
    case ERROR_PATH_NOT_FOUND:
      error = "no volume of the terminal by that name here (one the board profile takes away, "
              "or one in the sandbox while no sandbox is known)";
      break;
    case ERROR_ACCESS_DENIED:
      error = "leads through a link";
      break;
    default:
      error = "is no plain path on the terminal";
  }
  return std::nullopt;
}

}  // namespace unit_run
