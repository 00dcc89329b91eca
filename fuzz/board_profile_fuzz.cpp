// Arbitrary bytes as a board profile: the file a person writes, and the one thing that decides
// what the console's names mean on this machine. The text is read from memory by the same
// reader a file goes through once it is read (the file's own checks are the unit tests'); paths
// in it are taken from the profile's own folder, an empty temporary one here.
//
// Beyond "no crash": a profile is either taken whole or refused with a BoardError that names the
// file, and what is taken keeps to the ranges the console relies on.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "board/profile.h"
#include "fuzz/fuzz_check.h"

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kProfileName = "/fuzz/board.toml";

const fs::path& ProfileFolder() {
  static const fs::path* folder = [] {
    auto* made = new fs::path(fs::temp_directory_path() /
                              ("quorvane-profile-fuzz-" + std::to_string(::getpid())));
    fs::create_directories(*made);
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(ProfileFolder(), ignored);
    });
    return made;
  }();
  return *folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    const board::BoardSettings settings =
        board::ReadProfileText(text, std::string(kProfileName), ProfileFolder());
    fuzz::Check(settings.edit_control_capacity >= board::kLeastEditControlCapacity &&
                    settings.edit_control_capacity <= board::kMostEditControlCapacity,
                "a profile that is taken keeps the pane's capacity in range");
    for (const auto& [name, port] : settings.serial_ports) {
      fuzz::Check(port.placement != board::SerialPlacement::kDevice || port.device.is_absolute(),
                  "a serial device of a profile that is taken has a whole path");
    }
  } catch (const board::BoardError& error) {
    fuzz::Check(std::string_view(error.what()).starts_with(std::string(kProfileName) + ":"),
                "a refused profile is named in the refusal");
  }
  return 0;
}
