// The touch dialog on a screen: every dialog the console creates becomes a DialogWindow with one
// view per control, kept in step with the window model, and message boxes become modal Qt
// dialogs with an OK button. A person's input goes back as messages through PersonInput.
// Everything runs on the user-interface thread, inside the console's loop (QtLoopWaiter). A handler
// that holds the loop for long still shows its progress: the window is painted before each of its
// pauses, and texts it sets as a whole are painted as they come, a few times a second.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <unordered_map>

#include "platform/ports/front_end.h"
#include "ui/qt/control_view.h"
#include "ui/qt/dialog_window.h"

namespace ui {

class QtFrontEnd final : public platform::FrontEnd {
 public:
  ~QtFrontEnd() override;

  // The window shown for `dialog`, or null.
  DialogWindow* WindowOf(HWND dialog) const;
  // The widget shown for control `control`, or null.
  QWidget* WidgetOf(HWND control) const;
  // Called once, after the first dialog's window has been painted for the first time.
  void OnFirstFrame(std::function<void()> callback) { on_first_frame_ = std::move(callback); }

  void WindowCreated(const platform::WindowState& dialog,
                     std::span<const platform::WindowState* const> controls) override;
  void WindowDestroyed(const platform::WindowState& window) override;
  void TextSet(const platform::WindowState& window) override;
  void TextReplaced(const platform::WindowState& window, std::size_t start, std::size_t end,
                    std::u16string_view inserted) override;
  void SelectionChanged(const platform::WindowState& window) override;
  void CheckChanged(const platform::WindowState& window) override;
  void EnabledChanged(const platform::WindowState& window) override;
  void PlacementChanged(const platform::WindowState& window) override;
  void IconChanged(const platform::WindowState& window) override;
  void Pausing() override;
  void ShowMessageBox(HWND owner, std::wstring_view text, std::wstring_view caption, UINT type,
                      std::function<void(int)> dismiss) override;

 private:
  ControlView* ViewOf(HWND control) const;
  void WatchForFirstFrame(DialogWindow* window);

  std::optional<PersonInput> input_;  // from the loop of the thread that creates the first window
  std::unordered_map<HWND, std::unique_ptr<DialogWindow>> dialogs_;
  std::unordered_map<HWND, std::unique_ptr<ControlView>> controls_;
  std::function<void()> on_first_frame_;
  // When a text set as a whole was last painted at once (see TextSet).
  std::chrono::steady_clock::time_point text_painted_{};
};

}  // namespace ui
