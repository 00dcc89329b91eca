#include "sender/dialog_queue.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/ports/front_end.h"
#include "platform/ports/window_model.h"
#include "platform/terminal/code_page.h"
#include "platform/terminal/debug_port.h"
#include "platform/terminal/window.h"
#include "sender/dialog_actions.h"
#include "sender/request_event.h"

namespace sender {

namespace {

bool IsClose(const Request& request) {
  const auto* message = std::get_if<MessageRequest>(&request.action);
  return message != nullptr && message->number == WM_CLOSE;
}

// A command that neither a control nor the dialog's command table knows is still taken: the
// dialog's default processing is what the terminal does with it. The sender hears of it.
std::optional<std::string> UnknownCommandNote(HWND dialog, const Request& request) {
  const auto* command = std::get_if<CommandRequest>(&request.action);
  if (command == nullptr) return std::nullopt;
  const auto id = static_cast<UINT>(command->id);
  if (GetDlgItem(dialog, static_cast<int>(id)) != nullptr || platform::KnowsCommand(dialog, id)) {
    return std::nullopt;
  }
  return "neither a control nor the command table knows command " + std::to_string(id) +
         "; the dialog's default processing takes it";
}

void ReportRefusalAfterTaking(const std::string& error) {
  const std::wstring text = platform::FromUtf8(error).value_or(L"(not UTF-8)");
  NKDbgPrintfW(L"DialogQueue::CarryOutNext():: taken request refused: %s\r\n", text.c_str());
}

}  // namespace

struct DialogQueue::Shared {
  Shared(HWND dialog_window, std::weak_ptr<platform::MessageLoop::Core> dialog_loop,
         std::size_t most_taken)
      : dialog(dialog_window), loop(std::move(dialog_loop)), capacity(most_taken) {}

  const HWND dialog;
  const std::weak_ptr<platform::MessageLoop::Core> loop;
  const std::size_t capacity;
  ReplyChannel replies;

  std::mutex mutex;  // guards what follows up to `taken`
  std::condition_variable idle;
  bool letting_go = false;
  int running = 0;  // tasks at work on the loop; one may run inside another's handler

  // On the loop's thread only.
  struct Entry {
    Ticket ticket;
    Request request;
    std::optional<std::string> note;
  };
  std::deque<Entry> taken;
  bool next_posted = false;
  bool inside_handler = false;

  // False once letting go: the task does nothing.
  bool BeginWork() {
    std::lock_guard lock(mutex);
    if (letting_go) return false;
    ++running;
    return true;
  }

  void EndWork() {
    std::lock_guard lock(mutex);
    --running;
    idle.notify_all();
  }

  void Answer(Ticket ticket, const Reply& reply) { replies.Answer(ticket, reply); }

  void DropTaken() {
    for (const Entry& entry : taken) {
      if (WaitsForHandler(entry.request)) Answer(entry.ticket, Reply::Failed(kConsoleClosing));
    }
    taken.clear();
  }
};

namespace {

using Shared = DialogQueue::Shared;
using Ticket = DialogQueue::Ticket;

// Owned by a task on the loop: when the loop ends and discards the task unrun, `on_discard` runs.
class DiscardNotice {
 public:
  explicit DiscardNotice(std::function<void()> on_discard) : on_discard_(std::move(on_discard)) {}
  DiscardNotice(const DiscardNotice&) = delete;
  DiscardNotice& operator=(const DiscardNotice&) = delete;
  ~DiscardNotice() {
    if (on_discard_) on_discard_();
  }
  void Ran() { on_discard_ = nullptr; }

 private:
  std::function<void()> on_discard_;
};

void CarryOutNext(const std::shared_ptr<Shared>& shared);

void PostNext(const std::shared_ptr<Shared>& shared) {
  if (shared->next_posted || shared->taken.empty()) return;
  auto notice = std::make_shared<DiscardNotice>([shared] { shared->DropTaken(); });
  const auto loop = shared->loop.lock();
  shared->next_posted = loop && loop->Post([shared, notice] {
    notice->Ran();
    CarryOutNext(shared);
  });
}

void CarryOutNext(const std::shared_ptr<Shared>& shared) {
  shared->next_posted = false;
  // Inside a request's handler (in the loop of a message box it opened) messages go on, as they
  // reach the terminal's dialog then too; a person's input waits until the handler has returned.
  auto& taken = shared->taken;
  const auto next = std::find_if(taken.begin(), taken.end(), [&](const Shared::Entry& entry) {
    return !shared->inside_handler || std::holds_alternative<MessageRequest>(entry.request.action);
  });
  if (next == taken.end() || !shared->BeginWork()) return;
  Shared::Entry entry = std::move(*next);
  taken.erase(next);
  const bool outer_handler = std::exchange(shared->inside_handler, true);
  Reply reply = CarryOut(shared->dialog, entry.request);
  shared->inside_handler = outer_handler;
  if (WaitsForHandler(entry.request)) {
    if (reply.ok()) reply.note = std::move(entry.note);
    platform::FlushFrontEnd();  // the sender finds what the handler showed already out
    shared->Answer(entry.ticket, reply);
  } else if (!reply.ok()) {
    // Taken while the dialog would have taken it; an earlier request changed that meanwhile.
    ReportRefusalAfterTaking(*reply.error);
  }
  shared->EndWork();
  PostNext(shared);
}

void Take(const std::shared_ptr<Shared>& shared, Ticket ticket, const Request& request) {
  if (const auto* read = std::get_if<ReadRequest>(&request.action)) {
    ReadReply reply = Read(shared->dialog, *read);
    EmitRequestEvent(request, reply.error);
    shared->replies.AnswerWith(ticket, std::move(reply.line));
    return;
  }
  std::optional<std::string> refusal = RefusalOf(shared->dialog, request);
  if (!refusal && shared->taken.size() >= shared->capacity) refusal = kConsoleBusy;
  EmitRequestEvent(request, refusal);
  if (refusal) {
    shared->Answer(ticket, Reply::Failed(std::move(*refusal)));
    return;
  }
  Shared::Entry entry{ticket, request, UnknownCommandNote(shared->dialog, request)};
  if (!WaitsForHandler(request)) {
    Reply taken = Reply::Done();
    taken.note = entry.note;
    shared->Answer(ticket, taken);
  }
  if (IsClose(request)) {
    shared->taken.push_front(std::move(entry));
  } else {
    shared->taken.push_back(std::move(entry));
  }
  PostNext(shared);
}

}  // namespace

DialogQueue::DialogQueue(HWND dialog, std::shared_ptr<platform::MessageLoop::Core> loop,
                         std::size_t capacity)
    : loop_(std::move(loop)), shared_(std::make_shared<Shared>(dialog, loop_, capacity)) {}

DialogQueue::~DialogQueue() { LetGo(); }

void DialogQueue::Submit(Ticket ticket, Request request) {
  const std::shared_ptr<Shared>& shared = shared_;
  auto notice = std::make_shared<DiscardNotice>(
      [shared, ticket] { shared->Answer(ticket, Reply::Failed(kConsoleClosing)); });
  loop_->Post([shared, notice, ticket, request = std::move(request)] {
    notice->Ran();
    if (!shared->BeginWork()) return;
    Take(shared, ticket, request);
    shared->EndWork();
  });
}

int DialogQueue::replies_ready_fd() const { return shared_->replies.ready_fd(); }

ReplyLines DialogQueue::TakeReplies() { return shared_->replies.Take(); }

void DialogQueue::LetGo() {
  std::unique_lock lock(shared_->mutex);
  shared_->letting_go = true;
  if (loop_->OnLoopThread()) return;
  shared_->idle.wait(lock, [&] { return shared_->running == 0; });
}

}  // namespace sender
