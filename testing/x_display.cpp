#include "testing/x_display.h"

#include <thread>

namespace testing_support {

using namespace std::chrono_literals;

XDisplay::XDisplay(const std::filesystem::path& folder, const std::string& geometry)
    : folder_(folder) {
  std::filesystem::create_directories(folder_ / "xvfb");
  server_ =
      std::make_unique<ChildProcess>(std::vector<std::string>{"Xvfb", "-displayfd", "1", "-screen",
                                                              "0", geometry, "-nolisten", "tcp"},
                                     folder_ / "xvfb");
  const auto give_up = std::chrono::steady_clock::now() + 20s;
  while (std::chrono::steady_clock::now() < give_up) {
    const std::string announced = server_->Output();
    if (const auto end = announced.find('\n'); end != std::string::npos) {
      name_ = ":" + announced.substr(0, end);
      return;
    }
    std::this_thread::sleep_for(20ms);
  }
}

std::optional<std::string> XDisplay::XDoTool(std::vector<std::string> args) const {
  args.insert(args.begin(), "xdotool");
  ChildProcess tool(args, folder_, {{"DISPLAY", name_}});
  if (tool.Wait(20s) != 0) return std::nullopt;
  return tool.Output();
}

bool XDisplay::Screenshot(const std::filesystem::path& file) const {
  ChildProcess shot({"sh", "-c", "xwd -root -silent | xwdtopnm > \"$0\"", file.string()}, folder_,
                    {{"DISPLAY", name_}});
  return shot.Wait(20s) == 0 && std::filesystem::file_size(file) > 0;
}

}  // namespace testing_support
