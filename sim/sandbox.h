// The simulated terminal's sandbox: one folder that holds everything the simulated board puts on
// this machine: the volumes as folders (volumes/SDMMC, volumes/DataStorage, ...), the far ends of
// the serial ports (tty/COM1, ...), the console's socket, the debug port's file and the driver
// journal. The socket makes the folder a door into the running console, so it belongs to its user
// alone: it is created with mode 0700 on a path no other user can tamper with (see
// trusted_folder.h); an existing one that another user owns or may write to is refused, and one
// of ours that others may merely read is closed to them. A new sandbox is marked as one by the
// file .quorvane-sandbox, so that a folder that holds something else (a home folder named by
// mistake) is refused rather than filled. The files in it are the user's alone (0600) and are
// opened through the sandbox's own descriptor, never through a link.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/linux/posix_calls.h"
#include "platform/ports/sandbox_location.h"

namespace sim {

// The terminal's volumes, by the names its paths use ("\SDMMC\...").
inline constexpr std::array<std::string_view, 4> kVolumeNames{"SDMMC", "DataStorage",
                                                              "ResidentFlash", "Windows"};

// The files the simulated terminal keeps directly in its sandbox.
inline constexpr std::string_view kDebugLogName = "debug.log";
inline constexpr std::string_view kJournalName = "drivers.jsonl";
inline constexpr std::string_view kPreviousJournalName = "drivers.previous.jsonl";
// One line, {"event":"restart"}, for each warm restart the console asked for; kept across runs.
inline constexpr std::string_view kRestartLogName = "restarts.jsonl";

class SandboxError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Sandbox {
 public:
  // Creates the folder (and its missing parents, 0700 too) with the volume and tty folders, or
  // checks and completes an existing one: one of ours, or an empty one, or one with the layout an
  // earlier version left without the mark. Throws SandboxError naming the path at fault and what
  // is wrong with it.
  static Sandbox Prepare(const std::filesystem::path& folder);

  const std::filesystem::path& Folder() const { return folder_; }
  std::filesystem::path VolumeFolder(std::string_view volume) const;
  std::filesystem::path ConsoleSocket() const { return platform::ConsoleSocketIn(folder_); }
  // Where outside programs find the far end of the simulated port COMn.
  std::filesystem::path SerialFarEnd(int port) const;

  // Opens `name`, a file directly in the sandbox, for appending; makes it (0600) when missing.
  // Throws SandboxError when it is a link, not a plain file of this user's, or cannot be opened.
  platform::posix::UniqueFd OpenFileForAppend(std::string_view name) const;
  // The whole of `name`, a file directly in the sandbox that a person may have put there; nullopt
  // when there is none. Throws SandboxError when it is a link, not a plain file of this user's,
  // larger than `max_bytes` or cannot be read. Opening it never waits (a FIFO is refused).
  std::optional<std::string> ReadSmallFile(std::string_view name, std::size_t max_bytes) const;
  // Renames the file `name` to `new_name`, replacing whatever had that name; nothing to do when
  // there is no `name`. Throws SandboxError as OpenFileForAppend does.
  void SetFileAside(std::string_view name, std::string_view new_name) const;
  // Puts `contents` in `name` in one step (written as `name`.new, then renamed over it), so a
  // reader finds the old file or the new one, never half of one. Throws SandboxError.
  void ReplaceFile(std::string_view name, std::string_view contents) const;
  // Removes `name` when it is there; never throws: what cannot be removed is left.
  void RemoveFile(std::string_view name) const noexcept;

 private:
  Sandbox(std::filesystem::path folder, platform::posix::UniqueFd descriptor)
      : folder_(std::move(folder)), descriptor_(std::move(descriptor)) {}

  std::filesystem::path folder_;
  platform::posix::UniqueFd descriptor_;
};

}  // namespace sim
