// The simulated terminal's sandbox: one folder that holds everything the simulated board puts on
// this machine: the volumes as folders (volumes/SDMMC, volumes/DataStorage, ...), the far ends of
// the serial ports (tty/COM1, ...), the console's socket, the debug port's file and the driver
// journal. The socket makes the folder a door into the running console, so it belongs to its user
// alone: it is created with mode 0700, an existing one that another user owns or may write to is
// refused, and one of ours that others may merely read is closed to them.
#pragma once

#include <array>
#include <filesystem>
#include <stdexcept>
#include <string_view>

#include "platform/ports/sandbox_location.h"

namespace sim {

// The terminal's volumes, by the names its paths use ("\SDMMC\...").
inline constexpr std::array<std::string_view, 4> kVolumeNames{"SDMMC", "DataStorage",
                                                              "ResidentFlash", "Windows"};

class SandboxError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Sandbox {
 public:
  // Creates the folder (and its missing parents, 0700 too) with the volume and tty folders, or
  // checks and completes an existing one. Throws SandboxError naming the folder and what is wrong.
  static Sandbox Prepare(const std::filesystem::path& folder);

  const std::filesystem::path& Folder() const { return folder_; }
  std::filesystem::path VolumeFolder(std::string_view volume) const;
  std::filesystem::path ConsoleSocket() const { return platform::ConsoleSocketIn(folder_); }
  std::filesystem::path DebugLog() const { return folder_ / "debug.log"; }
  std::filesystem::path JournalFile() const { return folder_ / "drivers.jsonl"; }
  // Where outside programs find the far end of the simulated port COMn.
  std::filesystem::path SerialFarEnd(int port) const;

 private:
  explicit Sandbox(std::filesystem::path folder) : folder_(std::move(folder)) {}

  std::filesystem::path folder_;
};

}  // namespace sim
