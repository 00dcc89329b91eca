// A real X server for a test: Xvfb on a display number of its own, driven by a real pointer and
// keyboard (xdotool) and looked at whole (xwd, read through netpbm's xwdtopnm as a PPM file).
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "testing/child_process.h"

namespace testing_support {

class XDisplay {
 public:
  // Starts Xvfb with one screen of `geometry` ("1024x600x24"); its outputs and the tools' go in
  // `folder`. started() says whether it announced its display within 20 s.
  XDisplay(const std::filesystem::path& folder, const std::string& geometry);

  bool started() const { return !name_.empty(); }
  // ":N", for DISPLAY.
  const std::string& name() const { return name_; }
  std::string ServerErrors() const { return server_->Errors(); }

  // Runs xdotool with `args` on the display; its standard output, or nothing when it failed.
  std::optional<std::string> XDoTool(std::vector<std::string> args) const;
  // The whole screen as a PPM file at `file`; false when it could not be taken.
  bool Screenshot(const std::filesystem::path& file) const;

 private:
  std::filesystem::path folder_;
  std::unique_ptr<ChildProcess> server_;
  std::string name_;
};

}  // namespace testing_support
