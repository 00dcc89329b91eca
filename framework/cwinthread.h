// Worker threads of the framework. AfxBeginThread starts a function on a thread of its own and
// hands back the thread object, which its starter owns: deleting it waits for the thread to end.
// A user-interface thread that waits goes on handling what other threads send it meanwhile, so a
// worker blocked in SendMessageW towards it can always finish.
#pragma once

#include <atomic>
#include <memory>
#include <thread>

#include "platform/terminal/message_loop.h"
#include "platform/terminal/win_types.h"

using AFX_THREADPROC = UINT (*)(LPVOID);

inline constexpr int THREAD_PRIORITY_NORMAL = 0;

class CWinThread {
 public:
  CWinThread() = default;
  ~CWinThread();
  CWinThread(const CWinThread&) = delete;
  CWinThread& operator=(const CWinThread&) = delete;

  // Waits for the thread's function to return (see above); its exit code.
  UINT Join();
  bool HasEnded() const { return ended_.load(); }

 private:
  friend std::unique_ptr<CWinThread> AfxBeginThread(AFX_THREADPROC, LPVOID, int, UINT, DWORD,
                                                    void*);

  std::thread thread_;
  std::atomic<bool> ended_{false};
  UINT exit_code_ = 0;
  // The starter's loop, woken when the thread ends; null when the starter has none.
  std::shared_ptr<platform::MessageLoop::Core> starter_loop_;
};

// Starts `proc(param)`; null when no thread can be started. The priority, stack size and creation
// flags of the terminal are taken as given: every thread here runs at normal priority with the
// default stack, started at once.
std::unique_ptr<CWinThread> AfxBeginThread(AFX_THREADPROC proc, LPVOID param,
                                           int priority = THREAD_PRIORITY_NORMAL,
                                           UINT stack_size = 0, DWORD create_flags = 0,
                                           void* security_attributes = nullptr);
