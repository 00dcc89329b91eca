#include "sender/record_marks.h"

#include <utility>

#include "sender/dialog_actions.h"
#include "sender/dialog_queue.h"
#include "sender/request_event.h"

namespace sender {

RecordMarks::RecordMarks(MarkRecord mark, std::size_t capacity)
    : mark_(std::move(mark)), capacity_(capacity) {}

RecordMarks::~RecordMarks() { Stop(); }

std::optional<Reply> RecordMarks::Begin(Ticket ticket, const Request& request) {
  std::optional<std::string> refusal;
  {
    std::lock_guard lock(mutex_);
    if (!mark_) {
      refusal = "the console keeps no session record";
    } else if (stopping_) {
      refusal = kConsoleClosing;
    } else if (waiting_.size() >= capacity_) {
      refusal = kConsoleBusy;
    } else {
      waiting_.emplace_back(ticket, request);
      if (!worker_.joinable()) worker_ = std::thread([this] { Work(); });
      wake_.notify_one();
      return std::nullopt;
    }
  }
  EmitRequestEvent(request, refusal);
  return Reply::Failed(*refusal);
}

void RecordMarks::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    for (const auto& [ticket, request] : waiting_) {
      replies_.Answer(ticket, Reply::Failed(kConsoleClosing));
    }
    waiting_.clear();
  }
  wake_.notify_one();
  if (worker_.joinable()) worker_.join();
}

void RecordMarks::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
    if (stopping_) return;
    auto [ticket, request] = std::move(waiting_.front());
    waiting_.pop_front();
    lock.unlock();
    EmitRequestEvent(request, std::nullopt);
    replies_.Answer(ticket, MarkNow());
    lock.lock();
  }
}

Reply RecordMarks::MarkNow() {
  const auto position = mark_(kPatience);
  if (!position) return Reply::Failed("the session record cannot be written now");
  return Reply::Marked({position->file.string(), position->offset, position->next_sequence});
}

}  // namespace sender
