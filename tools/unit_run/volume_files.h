// The terminal's files as the console itself finds them: its volumes are the sandbox's folders
// (volumes/SDMMC, ...) unless the plan's board profile places one elsewhere or takes it away, and
// a path is looked up through the same table the console's file calls use (names without regard
// to case, no way out of a volume). Without a sandbox (--socket) only the volumes the profile
// places in folders of their own are known.
#pragma once

#include <filesystem>
#include <optional>

#include "plan/terminal_files.h"
#include "platform/terminal/volumes.h"

namespace unit_run {

class VolumeFiles : public plan::TerminalFiles {
 public:
  // `sandbox` may be empty; `profile`, the plan's board, is read as the console reads it.
  // Throws board::BoardError for a profile that cannot be read.
  VolumeFiles(const std::filesystem::path& sandbox,
              const std::optional<std::filesystem::path>& profile);

  std::optional<std::filesystem::path> Find(const std::string& terminal_path,
                                            std::string& error) const override;

 private:
  platform::VolumeTable volumes_;
};

}  // namespace unit_run
