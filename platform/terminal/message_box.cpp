// Message boxes: the front end presents the text while a nested loop keeps timers and sent
// messages moving; the owner is disabled, and no person's input is taken on the box's thread,
// until the box is dismissed. A box asked for on a thread without a loop (a worker) is shown by
// the user-interface loop while the worker waits.
#include <memory>
#include <optional>
#include <string>

#include "platform/ports/session_events.h"
#include "platform/terminal/window_manager.h"

namespace {

int ShowOnThisLoop(platform::MessageLoop& loop, HWND owner, const std::wstring& text,
                   const std::wstring& caption, UINT type) {
  auto& manager = platform::WindowManager::Instance();
  manager.MessageBoxOpened(*loop.core());
  const bool disable_owner = IsWindowEnabled(owner) != FALSE;
  if (disable_owner) EnableWindow(owner, FALSE);
  auto answer = std::make_shared<std::optional<int>>();
  std::weak_ptr<platform::MessageLoop::Core> core = loop.core();
  manager.front_end().ShowMessageBox(owner, text, caption, type, [answer, core](int button) {
    // Dismissal may come from any thread; only the loop's own thread records it.
    auto loop_core = core.lock();
    if (!loop_core) return;
    if (loop_core->OnLoopThread()) {
      *answer = button;
    } else {
      loop_core->Post([answer, button] { *answer = button; });
    }
  });
  loop.RunUntil([&] { return answer->has_value(); });
  if (disable_owner) EnableWindow(owner, TRUE);
  manager.MessageBoxClosed(*loop.core());
  if (auto* events = platform::CurrentSessionEvents()) events->MessageBox(text, caption, **answer);
  return **answer;
}

}  // namespace

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  const std::wstring text_copy = text ? text : L"";
  const std::wstring caption_copy = caption ? caption : L"";
  if (auto* loop = platform::MessageLoop::Current()) {
    return ShowOnThisLoop(*loop, owner, text_copy, caption_copy, type);
  }
  auto ui_loop = platform::WindowManager::Instance().UserInterfaceLoop();
  int result = IDOK;
  if (ui_loop) {
    ui_loop->Send([&] {
      if (auto* loop = platform::MessageLoop::Current()) {
        result = ShowOnThisLoop(*loop, nullptr, text_copy, caption_copy, type);
      }
    });
  }
  return result;
}
