#include "platform/terminal/window_manager.h"

#include <functional>
#include <utility>

namespace platform {

WindowManager& WindowManager::Instance() {
  static WindowManager manager;
  return manager;
}

HWND WindowManager::Add(WindowState state, WindowProcedure* procedure, MessageLoop& loop) {
  std::lock_guard lock(mutex_);
  // Handles are never reused, so a stale handle can only miss, never reach another window.
  const HWND hwnd = reinterpret_cast<HWND>(next_handle_++);
  auto record = std::make_unique<WindowRecord>();
  record->state = std::move(state);
  record->state.hwnd = hwnd;
  record->procedure = procedure;
  record->loop = &loop;
  record->loop_core = loop.core();
  windows_.emplace(hwnd, std::move(record));
  user_interface_loop_ = loop.core();
  return hwnd;
}

void WindowManager::Remove(HWND hwnd) {
  std::unique_ptr<WindowRecord> removed;
  std::lock_guard lock(mutex_);
  if (auto it = windows_.find(hwnd); it != windows_.end()) {
    removed = std::move(it->second);
    windows_.erase(it);
  }
}

WindowRecord* WindowManager::Find(HWND hwnd) {
  std::lock_guard lock(mutex_);
  auto it = windows_.find(hwnd);
  if (it == windows_.end() || !it->second->loop_core->OnLoopThread()) return nullptr;
  return it->second.get();
}

void WindowManager::SetText(WindowRecord& window, std::u16string text) {
  std::lock_guard lock(mutex_);
  window.state.text = std::move(text);
}

HWND WindowManager::FindTopLevel(std::optional<std::u16string_view> text) {
  std::lock_guard lock(mutex_);
  HWND found = nullptr;
  // Handles grow with age, so the smallest is the window that has stood longest.
  for (const auto& [hwnd, window] : windows_) {
    if (window->state.parent != nullptr || (text && window->state.text != *text)) continue;
    if (found == nullptr || std::less<>{}(hwnd, found)) found = hwnd;
  }
  return found;
}

std::shared_ptr<MessageLoop::Core> WindowManager::LoopOf(HWND hwnd) {
  std::lock_guard lock(mutex_);
  auto it = windows_.find(hwnd);
  return it == windows_.end() ? nullptr : it->second->loop_core;
}

std::shared_ptr<MessageLoop::Core> WindowManager::UserInterfaceLoop() {
  std::lock_guard lock(mutex_);
  return user_interface_loop_.lock();
}

void WindowManager::MessageBoxOpened(const MessageLoop::Core& loop) {
  std::lock_guard lock(mutex_);
  ++open_message_boxes_[&loop];
}

void WindowManager::MessageBoxClosed(const MessageLoop::Core& loop) {
  std::lock_guard lock(mutex_);
  // The entry goes with the last box, so a later loop at the same address starts with none.
  const auto it = open_message_boxes_.find(&loop);
  if (it != open_message_boxes_.end() && --it->second == 0) open_message_boxes_.erase(it);
}

bool WindowManager::MessageBoxOpenOn(const MessageLoop::Core& loop) {
  std::lock_guard lock(mutex_);
  return open_message_boxes_.contains(&loop);
}

LRESULT DeliverMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowRecord* window = WindowManager::Instance().Find(hwnd);
  if (window == nullptr) return 0;
  if (window->procedure != nullptr) {
    return window->procedure->WindowProc(hwnd, message, wParam, lParam);
  }
  switch (window->state.kind) {
    case ControlKind::Edit:
      return EditControlProc(*window, message, wParam, lParam);
    case ControlKind::PushButton:
    case ControlKind::AutoRadioButton:
      return ButtonProc(*window, message, wParam, lParam);
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

void SetFrontEnd(FrontEnd* front_end) { WindowManager::Instance().set_front_end(front_end); }

void FlushFrontEnd() { WindowManager::Instance().front_end().Flush(); }

const WindowState* FindWindowState(HWND hwnd) {
  WindowRecord* window = WindowManager::Instance().Find(hwnd);
  return window ? &window->state : nullptr;
}

bool KnowsCommand(HWND hwnd, UINT id) {
  WindowRecord* window = WindowManager::Instance().Find(hwnd);
  return window != nullptr && window->procedure != nullptr && window->procedure->KnowsCommand(id);
}

}  // namespace platform
