// Arbitrary bytes as a board profile: the file a person writes, and the one thing that decides
// what the console's names mean on this machine. Paths in it are taken from the profile's own
// folder, an empty temporary one here.
//
// Beyond "no crash": a profile is either taken whole or refused with a BoardError that names the
// file, and what is taken keeps to the ranges the console relies on.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "board/profile.h"
#include "fuzz/fuzz_check.h"

namespace {

namespace fs = std::filesystem;

const fs::path& ProfileFile() {
  static const fs::path* file = [] {
    const fs::path folder =
        fs::temp_directory_path() / ("quorvane-profile-fuzz-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(ProfileFile().parent_path(), ignored);
    });
    return new fs::path(folder / "board.toml");
  }();
  return *file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fs::path& file = ProfileFile();
  std::ofstream(file, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  try {
    const board::BoardSettings settings = board::ReadProfile(file);
    fuzz::Check(settings.edit_control_capacity >= board::kLeastEditControlCapacity &&
                    settings.edit_control_capacity <= board::kMostEditControlCapacity,
                "a profile that is taken keeps the pane's capacity in range");
    for (const auto& [name, port] : settings.serial_ports) {
      fuzz::Check(port.placement != board::SerialPlacement::kDevice || port.device.is_absolute(),
                  "a serial device of a profile that is taken has a whole path");
    }
  } catch (const board::BoardError& error) {
    fuzz::Check(std::string(error.what()).starts_with(file.string()),
                "a refused profile is named in the refusal");
  }
  return 0;
}
