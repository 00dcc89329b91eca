#include "framework/cwinthread.h"

#include <system_error>

CWinThread::~CWinThread() { Join(); }

UINT CWinThread::Join() {
  if (!thread_.joinable()) return exit_code_;
  if (auto* loop = platform::MessageLoop::Current();
      loop != nullptr && starter_loop_ == loop->core()) {
    loop->HandleSentUntil([this] { return ended_.load(); });
  }
  thread_.join();
  return exit_code_;
}

std::unique_ptr<CWinThread> AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int /*priority*/,
                                           UINT /*stack_size*/, DWORD /*create_flags*/,
                                           void* /*security_attributes*/) {
  auto thread = std::make_unique<CWinThread>();
  if (auto* loop = platform::MessageLoop::Current()) thread->starter_loop_ = loop->core();
  CWinThread* self = thread.get();
  try {
    thread->thread_ = std::thread([self, proc, param] {
      self->exit_code_ = proc(param);
      self->ended_ = true;
      if (self->starter_loop_) self->starter_loop_->Wake();
    });
  } catch (const std::system_error&) {
    return nullptr;
  }
  return thread;
}
