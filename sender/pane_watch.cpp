#include "sender/pane_watch.h"

#include <algorithm>

#include "platform/terminal/utf16.h"

namespace sender {

void AppendWithin(std::u16string& text, std::u16string_view more, std::size_t most) {
  if (more.size() >= most) {
    text.assign(more.substr(more.size() - most));
    return;
  }
  text.append(more);
  if (text.size() > most) text.erase(0, text.size() - most);
}

namespace {

std::u16string BoxText(std::wstring_view text) {
  std::u16string units = platform::ToUtf16(text);
  units.resize(std::min(units.size(), PaneWatch::kMostBoxUnits));
  return units;
}

}  // namespace

void PaneWatch::Open(Ticket ticket, Source source) {
  std::lock_guard lock(mutex_);
  Inbox inbox;
  inbox.source = source;
  inboxes_.insert_or_assign(ticket, std::move(inbox));
}

void PaneWatch::Close(Ticket ticket) {
  std::lock_guard lock(mutex_);
  const auto found = inboxes_.find(ticket);
  if (found == inboxes_.end()) return;
  if (found->second.armed) armed_.fetch_sub(1, std::memory_order_relaxed);
  inboxes_.erase(found);
}

std::vector<std::pair<Ticket, PaneWatch::News>> PaneWatch::TakeNews() {
  news_.Drain();
  std::lock_guard lock(mutex_);
  news_raised_ = false;
  std::vector<std::pair<Ticket, News>> taken;
  for (auto& [ticket, inbox] : inboxes_) {
    if (!inbox.changed) continue;
    inbox.changed = false;
    taken.emplace_back(ticket, std::exchange(inbox.news, {}));
  }
  return taken;
}

void PaneWatch::Arm(Ticket ticket, std::u16string earlier, std::u16string first) {
  std::lock_guard lock(mutex_);
  const auto found = inboxes_.find(ticket);
  if (found == inboxes_.end() || found->second.armed) return;
  Inbox& inbox = found->second;
  inbox.armed = true;
  inbox.changed = true;
  inbox.news.earlier = std::move(earlier);
  AppendWithin(inbox.news.text, first, kMostInboxUnits);
  armed_.fetch_add(1, std::memory_order_relaxed);
  RaiseNews();
}

std::u16string PaneWatch::LastBox() const {
  std::lock_guard lock(mutex_);
  return last_box_;
}

void PaneWatch::PaneText(int control_id, platform::PaneChange, std::u16string_view text) {
  if (control_id != pane_id_ || text.empty() || armed_.load(std::memory_order_relaxed) == 0) {
    return;
  }
  std::lock_guard lock(mutex_);
  bool told = false;
  for (auto& [ticket, inbox] : inboxes_) {
    if (!inbox.armed || inbox.source != Source::kPane) continue;
    AppendWithin(inbox.news.text, text, kMostInboxUnits);
    inbox.changed = told = true;
  }
  if (told) RaiseNews();
}

void PaneWatch::MessageBox(std::wstring_view text, std::wstring_view, int) {
  std::u16string box = BoxText(text);
  std::lock_guard lock(mutex_);
  bool told = false;
  for (auto& [ticket, inbox] : inboxes_) {
    if (!inbox.armed || inbox.source != Source::kBoxes) continue;
    auto& boxes = inbox.news.boxes;
    if (boxes.size() == kMostBoxes) boxes.erase(boxes.begin());
    boxes.push_back(box);
    inbox.changed = told = true;
  }
  last_box_ = std::move(box);
  if (told) RaiseNews();
}

void PaneWatch::RaiseNews() {
  if (news_raised_) return;
  news_raised_ = true;
  news_.Raise();
}

}  // namespace sender
