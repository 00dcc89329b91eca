#include "platform/linux/screen_choice.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "platform/linux/posix_calls.h"

namespace platform {

namespace {

std::string_view Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// Connecting reads the server's greeting, so a stale DISPLAY is told from a live one.
bool XServerAnswers(std::string_view display) {
  const std::string name(display);
  xcb_connection_t* connection = xcb_connect(name.c_str(), nullptr);
  const bool answers = xcb_connection_has_error(connection) == 0;
  xcb_disconnect(connection);
  return answers;
}

// A compositor listens on its socket, in XDG_RUNTIME_DIR unless the name is a path.
bool WaylandAnswers(std::string_view display) {
  std::filesystem::path socket_path(display);
  if (socket_path.is_relative()) {
    if (Variable("XDG_RUNTIME_DIR").empty()) return false;
    socket_path = std::filesystem::path(Variable("XDG_RUNTIME_DIR")) / socket_path;
  }
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socket_path.native().size() >= sizeof address.sun_path) return false;
  socket_path.native().copy(address.sun_path, sizeof address.sun_path - 1);
  const platform::posix::UniqueFd connection(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  return connection && ::connect(connection.get(), reinterpret_cast<const sockaddr*>(&address),
                                 sizeof address) == 0;
}

}  // namespace

ScreenChoice ChooseScreen() {
  if (!Variable("QT_QPA_PLATFORM").empty()) return {true, ""};
  const std::string_view x_display = Variable("DISPLAY");
  const std::string_view wayland_display = Variable("WAYLAND_DISPLAY");
  if (x_display.empty() && wayland_display.empty()) {
    return {false, "no screen to show the dialog on; headless"};
  }
  const bool x_answers = !x_display.empty() && XServerAnswers(x_display);
  const bool wayland_answers = !wayland_display.empty() && WaylandAnswers(wayland_display);
  if (x_answers != wayland_answers) {
    ::setenv("QT_QPA_PLATFORM", x_answers ? "xcb" : "wayland", 1);
  }
  if (x_answers || wayland_answers) return {true, ""};

  std::string why;
  if (!x_display.empty()) why = "no X server answers on DISPLAY " + std::string(x_display);
  if (!wayland_display.empty()) {
    why += (why.empty() ? "" : " and ") + std::string("no Wayland compositor on WAYLAND_DISPLAY ") +
           std::string(wayland_display);
  }
  return {false, why + "; headless"};
}

}  // namespace platform
