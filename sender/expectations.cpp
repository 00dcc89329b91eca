#include "sender/expectations.h"

#include <utility>
#include <vector>

#include "platform/ports/session_events.h"
#include "platform/ports/window_model.h"
#include "platform/terminal/utf16.h"
#include "platform/terminal/window.h"
#include "sender/dialog_actions.h"
#include "sender/dialog_queue.h"
#include "sender/overloaded.h"
#include "sender/request_event.h"

namespace sender {

namespace {

// The last kLastLines lines of `text`; a line break that ends it starts no line of its own.
std::u16string_view LastLines(std::u16string_view text) {
  std::size_t start = text.size();
  if (start > 0 && text[start - 1] == u'\n') --start;
  for (std::size_t lines = 0; lines < kLastLines && start > 0; ++lines) {
    const std::size_t line_break = text.rfind(u'\n', start - 1);
    start = line_break == std::u16string_view::npos ? 0 : line_break;
  }
  if (start > 0) ++start;  // after the break that ends the line before
  return text.substr(start);
}

std::u16string_view Tail(std::u16string_view text, std::size_t most) {
  return text.size() > most ? text.substr(text.size() - most) : text;
}

// On the user-interface thread, where the console takes the expect: its inbox begins to take
// what arrives, with the whole pane first for "whole" and the pane's last lines beside "new".
void Arm(PaneWatch& watch, HWND dialog, int pane_id, Ticket ticket, const Request& request) {
  EmitRequestEvent(request, std::nullopt);
  const ExpectScope scope = std::get<ExpectRequest>(request.action).scope;
  if (scope == ExpectScope::kBox) {
    watch.Arm(ticket, watch.LastBox(), {});
    return;
  }
  const platform::WindowState* pane = platform::FindWindowState(GetDlgItem(dialog, pane_id));
  const std::u16string_view text = pane != nullptr ? pane->text.view() : std::u16string_view();
  if (scope == ExpectScope::kWhole) {
    watch.Arm(ticket, {}, std::u16string(Tail(text, PaneWatch::kMostInboxUnits)));
  } else {
    watch.Arm(ticket, std::u16string(LastLines(text)), {});
  }
}

}  // namespace

Expectations::Expectations(HWND dialog, int pane_id,
                           std::shared_ptr<platform::MessageLoop::Core> loop, std::size_t capacity)
    : dialog_(dialog), pane_id_(pane_id), loop_(std::move(loop)), capacity_(capacity) {}

Expectations::~Expectations() {
  if (installed_) platform::RemoveSessionEvents(watch_.get());
}

bool Expectations::Watching() {
  if (installed_) return true;
  if (watch_ == nullptr) watch_ = std::make_shared<PaneWatch>(pane_id_);
  installed_ = platform::AddSessionEvents(watch_.get());
  return installed_;
}

std::optional<Reply> Expectations::Begin(Ticket ticket, const Request& request) {
  const auto& expect = std::get<ExpectRequest>(request.action);
  const auto refuse = [&request](std::string why) {
    EmitRequestEvent(request, why);
    return Reply::Failed(std::move(why));
  };
  if (expect.scope != ExpectScope::kBox && pane_id_ == 0) {
    return refuse("the console has no log pane to watch");
  }
  if (waiters_.size() >= capacity_ || !Watching()) return refuse(kConsoleBusy);
  auto compiled = TextPattern::Compile(expect.pattern);
  if (const auto* error = std::get_if<PatternError>(&compiled)) return refuse(error->message);
  TextPattern pattern = std::get<TextPattern>(std::move(compiled));

  watch_->Open(ticket, expect.scope == ExpectScope::kBox ? PaneWatch::Source::kBoxes
                                                         : PaneWatch::Source::kPane);
  const bool posted = loop_->Post(
      [watch = std::weak_ptr(watch_), dialog = dialog_, pane_id = pane_id_, ticket, request] {
        if (const auto alive = watch.lock()) Arm(*alive, dialog, pane_id, ticket, request);
      });
  if (!posted) {
    watch_->Close(ticket);
    return Reply::Failed(kConsoleClosing);
  }
  const auto deadline = Clock::now() + std::chrono::milliseconds(expect.timeout_ms);
  waiters_.emplace(ticket, Waiter{deadline, expect.scope, pattern, GrowingTextMatch(pattern), {}});
  return std::nullopt;
}

void Expectations::Forget(Ticket ticket) {
  if (waiters_.erase(ticket) != 0) watch_->Close(ticket);
}

int Expectations::news_fd() const { return watch_ != nullptr ? watch_->news_fd() : -1; }

Replies Expectations::Advance() {
  Replies replies;
  if (watch_ == nullptr) return replies;
  for (auto& [ticket, news] : watch_->TakeNews()) {
    const auto found = waiters_.find(ticket);
    if (found == waiters_.end()) continue;
    if (std::optional<Reply> reply = Match(found->second, std::move(news))) {
      replies.emplace_back(ticket, std::move(*reply));
      Forget(ticket);
    }
  }
  return replies;
}

Replies Expectations::Expire(Clock::time_point now) {
  Replies replies;
  for (auto entry = waiters_.begin(); entry != waiters_.end();) {
    const auto& [ticket, waiter] = *entry;
    if (waiter.deadline > now) {
      ++entry;
      continue;
    }
    Reply reply = Reply::Failed(kExpectTimedOut);
    reply.text =
        platform::ToUtf8(waiter.scope == ExpectScope::kBox ? waiter.last : LastLines(waiter.last));
    replies.emplace_back(ticket, std::move(reply));
    watch_->Close(ticket);
    entry = waiters_.erase(entry);
  }
  return replies;
}

std::optional<Expectations::Clock::time_point> Expectations::EarliestDeadline() const {
  std::optional<Clock::time_point> earliest;
  for (const auto& [ticket, waiter] : waiters_) {
    if (!earliest || waiter.deadline < *earliest) earliest = waiter.deadline;
  }
  return earliest;
}

std::optional<Reply> Expectations::Match(Waiter& waiter, PaneWatch::News news) {
  MatchOutcome outcome = NotYet{};
  if (waiter.scope == ExpectScope::kBox) {
    if (!news.earlier.empty()) waiter.last = std::move(news.earlier);
    for (std::u16string& box : news.boxes) {
      outcome = waiter.pattern.FindIn(box);
      waiter.last = std::move(box);
      if (!std::holds_alternative<NotYet>(outcome)) break;
    }
  } else {
    AppendWithin(waiter.last, news.earlier, kMostLastUnits);
    AppendWithin(waiter.last, news.text, kMostLastUnits);
    outcome = waiter.pane.Add(news.text);
  }
  return std::visit(Overloaded{
                        [](const Found& found) -> std::optional<Reply> {
                          return Reply::Text(platform::ToUtf8(found.text));
                        },
                        [](const NotYet&) -> std::optional<Reply> { return std::nullopt; },
                        [](const PatternError& error) -> std::optional<Reply> {
                          return Reply::Failed(error.message);
                        },
                    },
                    outcome);
}

}  // namespace sender
