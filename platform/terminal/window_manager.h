// Inside the window model: the table of live windows, message delivery on the owning thread, and
// the front end that hears of changes. Not for the console's code, which uses window.h.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/ports/front_end.h"
#include "platform/ports/window_model.h"
#include "platform/terminal/message_loop.h"
#include "platform/terminal/window.h"

namespace platform {

struct WindowRecord {
  WindowState state;
  WindowProcedure* procedure = nullptr;  // null for the platform's own controls
  MessageLoop* loop = nullptr;           // for use on the loop's own thread
  std::shared_ptr<MessageLoop::Core> loop_core;
};

class WindowManager {
 public:
  static WindowManager& Instance();

  HWND Add(WindowState state, WindowProcedure* procedure, MessageLoop& loop);
  void Remove(HWND hwnd);
  // On the window's own thread: its record, or null.
  WindowRecord* Find(HWND hwnd);
  // On the window's own thread: replaces its text under the table's lock, since other threads
  // read the texts of top-level windows to find them.
  void SetText(WindowRecord& window, std::u16string text);
  // From any thread: the oldest live top-level window whose text is exactly `text` (any text
  // when nullopt), or null.
  HWND FindTopLevel(std::optional<std::u16string_view> text);
  // From any thread: the loop that owns the window, or null for a dead handle.
  std::shared_ptr<MessageLoop::Core> LoopOf(HWND hwnd);
  // The loop that created the most recent window: where ownerless message boxes from worker
  // threads are shown.
  std::shared_ptr<MessageLoop::Core> UserInterfaceLoop();

  // The message boxes open on a loop, counted on its thread: a person's input waits for them.
  void MessageBoxOpened(const MessageLoop::Core& loop);
  void MessageBoxClosed(const MessageLoop::Core& loop);
  bool MessageBoxOpenOn(const MessageLoop::Core& loop);

  FrontEnd& front_end() { return front_end_ ? *front_end_ : silent_front_end_; }
  void set_front_end(FrontEnd* front_end) { front_end_ = front_end; }

 private:
  std::mutex mutex_;
  std::unordered_map<HWND, std::unique_ptr<WindowRecord>> windows_;
  std::weak_ptr<MessageLoop::Core> user_interface_loop_;
  std::unordered_map<const MessageLoop::Core*, int> open_message_boxes_;
  std::uintptr_t next_handle_ = 0x10000;
  FrontEnd* front_end_ = nullptr;
  FrontEnd silent_front_end_;
};

// Runs the window's procedure on the calling thread, which must own the window; 0 for a dead one.
LRESULT DeliverMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The procedures of the platform's own controls.
LRESULT EditControlProc(WindowRecord& window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT ButtonProc(WindowRecord& button, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace platform
