#include "sim/stand_in_programs.h"

#include <fcntl.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "platform/linux/file_calls.h"
#include "platform/terminal/code_page.h"
#include "platform/terminal/volumes.h"

namespace sim {

namespace {

namespace fs = std::filesystem;
namespace posix = platform::posix;

constexpr mode_t kProgramMode = 0700;

// The script finds the sandbox from where it lies, so that a sandbox moved elsewhere keeps
// working stand-ins: a program's folder is as many steps below the sandbox as the terminal path
// has names ("\Windows\x.exe": volumes/Windows, two).
std::string StandInScript(std::wstring_view program) {
  const std::string path = platform::ToUtf8(program);
  std::string up = "..";
  for (char c : path.substr(1)) {
    if (c == '\\') up += "/..";
  }
  return "#!/bin/sh\n"
         "# The simulated terminal's stand-in for " +
         path +
         ": it notes in the sandbox's\n"
         "# " +
         std::string(kLaunchLogName) +
         " that it was started, and ends. Put the real "
         "program in this file's place\n"
         "# to run that instead; the sandbox never replaces a file that is here.\n"
         "sandbox=\"$(dirname -- \"$0\")/" +
         up +
         "\"\n"
         "printf '%s started (stand-in), pid %s\\n' '" +
         path + "' \"$$\" >> \"$sandbox/" + std::string(kLaunchLogName) + "\"\n";
}

void Seed(const platform::VolumeTable& volumes, std::wstring_view program) {
  const auto host = volumes.Resolve(program);  // refuses a link on the way
  if (!host) return;
  std::error_code error;
  // Anything there already, or a path that cannot be looked at, is left alone.
  if (fs::symlink_status(*host, error).type() != fs::file_type::not_found) return;
  fs::create_directories(host->parent_path(), error);
  if (error) return;
  const posix::CallResult opened = posix::OpenAt(
      AT_FDCWD, host->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kProgramMode);
  if (!opened.ok()) return;
  const posix::UniqueFd file(static_cast<int>(opened.value));
  const std::string script = StandInScript(program);
  if (!posix::WriteAll(file.get(), script.data(), script.size()).ok()) {
    posix::UnlinkAt(AT_FDCWD, host->c_str());  // a half-written stand-in would fail to start
  }
}

}  // namespace

void SeedStandInPrograms(const Sandbox& sandbox) {
  platform::VolumeTable volumes;
  for (std::string_view name : kVolumeNames) {
    volumes.Add(std::wstring(name.begin(), name.end()), sandbox.VolumeFolder(name));
  }
  for (std::wstring_view program : kTerminalPrograms) Seed(volumes, program);
}

}  // namespace sim
