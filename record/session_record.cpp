#include "record/session_record.h"

#include <pthread.h>
#include <sched.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <span>
#include <utility>

#include "record/line_format.h"
#include "record/record_names.h"

namespace record {

namespace {

// What an event costs the queue beyond its payload.
constexpr std::size_t kEventOverhead = 96;
// A driver's buffers are kept up to this many bytes; the sizes are told in full.
constexpr std::size_t kMostDriverBytes = 4096;

std::string Bytes(std::span<const std::byte> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::optional<std::string> DriverBuffer(const std::optional<std::span<const std::byte>>& buffer) {
  if (!buffer) return std::nullopt;
  return Bytes(buffer->first(std::min(buffer->size(), kMostDriverBytes)));
}

// The events a queued entry stands for: one, or as many as a count of lost ones says.
std::uint64_t EventsIn(const Event& event) {
  const auto* lost = std::get_if<EventsLost>(&event.body);
  return lost != nullptr ? lost->count : 1;
}

std::uint64_t EventsIn(std::span<const Event> events) {
  std::uint64_t count = 0;
  for (const Event& event : events) count += EventsIn(event);
  return count;
}

}  // namespace

SessionRecord::SessionRecord(RecordSettings settings)
    : settings_(std::move(settings)),
      queue_(settings_.queue_bytes),
      resume_file_(NewRecordFile(settings_.folder, std::chrono::system_clock::now())) {
  Record(RecordStarted{static_cast<int>(::getpid())}, 0);
  writer_ = std::thread([this] { RunWriter(); });
  // The writer runs only on what processor time the console leaves: a flood of bursts is never
  // slowed to record it. Whatever the queue cannot hold meanwhile is counted and told.
  const sched_param no_priority{};
  ::pthread_setschedparam(writer_.native_handle(), SCHED_IDLE, &no_priority);
}

SessionRecord::~SessionRecord() {
  // To finish, the writer leaves its idle class: on a busy machine it would otherwise hold the
  // console's end until a processor had time to spare.
  const sched_param no_priority{};
  ::pthread_setschedparam(writer_.native_handle(), SCHED_OTHER, &no_priority);
  queue_.Stop();
  writer_.join();
}

std::optional<RecordPosition> SessionRecord::Mark(std::chrono::milliseconds patience) {
  const std::uint64_t recorded = queue_.Pushed();
  std::unique_lock lock(progress_mutex_);
  // A failed batch leaves no position; the writer's next success gives one.
  progress_.wait_for(lock, patience, [&] { return handled_ >= recorded && position_; });
  return handled_ >= recorded ? position_ : std::nullopt;
}

void SessionRecord::SerialBlock(std::string_view port, platform::SerialDirection direction,
                                std::span<const std::byte> bytes) {
  Record(record::SerialBlock{std::string(port), direction, Bytes(bytes)}, bytes.size());
}

void SessionRecord::DriverRequest(const platform::DriverRequestEvent& request) {
  record::DriverRequest copy{std::string(request.device), request.code,
                             DriverBuffer(request.input), request.input_size,
                             request.output_size,         DriverBuffer(request.output),
                             request.succeeded,           request.error};
  const std::size_t weight = copy.input.value_or("").size() + copy.output.value_or("").size();
  Record(std::move(copy), weight);
}

void SessionRecord::PaneText(int control_id, platform::PaneChange change,
                             std::u16string_view text) {
  Record(record::PaneText{control_id, change, std::u16string(text)}, 2 * text.size());
}

void SessionRecord::MessageBox(std::wstring_view text, std::wstring_view caption, int answer) {
  Record(MessageBoxShown{std::wstring(text), std::wstring(caption), answer},
         4 * (text.size() + caption.size()));
}

void SessionRecord::OutsideRequest(std::string_view verb,
                                   std::span<const platform::RequestArgument> arguments) {
  record::OutsideRequest copy{std::string(verb), {}};
  std::size_t weight = 0;
  for (const auto& [name, value] : arguments) {
    if (const auto* text = std::get_if<std::string_view>(&value)) {
      copy.arguments.emplace_back(std::string(name), std::string(*text));
      weight += text->size();
    } else {
      copy.arguments.emplace_back(std::string(name), std::get<std::int64_t>(value));
    }
  }
  Record(std::move(copy), weight);
}

void SessionRecord::Record(EventBody body, std::size_t weight) {
  queue_.Push({EventTimes::Now(), std::move(body)}, weight + kEventOverhead);
}

void SessionRecord::RunWriter() {
  for (;;) {
    if (!ReadyToWrite()) {
      if (!queue_.PauseUnlessStopping(settings_.retry_pause)) continue;
      if (!ReadyToWrite()) return;  // stopping, and the disk still refuses: what waits is lost
    }
    EventQueue::Batch batch = queue_.Take();
    WriteInTurn(batch.events);
    if (batch.stopping) {
      WriteStop();
      return;
    }
    queue_.PauseUnlessStopping(settings_.batch_pause);  // lets the next batch gather
  }
}

bool SessionRecord::ReadyToWrite() {
  if (file_ == nullptr && !OpenFile()) return false;
  // What a failure cost is told before anything is taken from the queue, so that a disk that
  // still refuses leaves the queue as it is.
  if (lost_ != 0) {
    std::vector<Event> nothing_more;
    WriteBatch(nothing_more);
  }
  return file_ != nullptr;
}

bool SessionRecord::OpenFile() {
  try {
    file_ = std::make_unique<RecordFile>(resume_file_, resume_size_, settings_.max_file_bytes,
                                         settings_.max_files);
    if (!pruned_) {
      RemoveOldRecords(settings_.folder, resume_file_, settings_.max_files);
      pruned_ = true;
    }
    return true;
  } catch (const std::exception& error) {
    Failed(error.what());
    return false;
  }
}

void SessionRecord::WriteBatch(std::vector<Event>& events) {
  auto next = events.begin();  // the first event that is neither a line nor counted yet
  std::optional<RecordPosition> position;
  try {
    for (; next != events.end(); ++next) {
      if (const auto* lost = std::get_if<EventsLost>(&next->body)) {
        PassOver(lost->count);
        continue;
      }
      TellLost();
      WriteLine(*next, 1);
    }
    TellLost();
    Flush();
    position = RecordPosition{file_->CurrentFile(), file_->FlushedSize(), next_sequence_};
    warned_ = false;
  } catch (const std::exception& error) {
    // A flush may fail part way through the batch, when its lines outgrow what is kept in
    // memory: the events after it have no line either, and are counted with the rest.
    LoseUnflushed();
    PassOver(EventsIn(std::span<const Event>(next, events.end())));
    Failed(error.what());
  }
  std::lock_guard lock(progress_mutex_);
  handled_ += EventsIn(events);
  position_ = std::move(position);
  progress_.notify_all();
}

void SessionRecord::WriteInTurn(std::vector<Event>& events) {
  constexpr std::size_t kEventsBetweenLooks = 256;
  auto next = events.begin();
  while (next != events.end() && file_ != nullptr && !PastLastCatchUp()) {
    const auto until = next + std::min<std::ptrdiff_t>(kEventsBetweenLooks, events.end() - next);
    std::vector<Event> some(std::make_move_iterator(next), std::make_move_iterator(until));
    WriteBatch(some);
    next = until;
  }
  const std::uint64_t left = EventsIn(std::span<const Event>(next, events.end()));
  if (left == 0) return;
  PassOver(left);
  std::lock_guard lock(progress_mutex_);
  handled_ += left;
}

bool SessionRecord::PastLastCatchUp() {
  if (!queue_.Stopping()) return false;
  const auto now = std::chrono::steady_clock::now();
  if (!last_write_by_) last_write_by_ = now + settings_.last_catch_up;
  return now >= *last_write_by_;
}

void SessionRecord::WriteStop() {
  if (file_ == nullptr) return;  // the disk refuses: the stop cannot be told either
  std::vector<Event> stop{{EventTimes::Now(), RecordStopped{}}};
  WriteBatch(stop);  // after a line counting what was left, when anything was
}

void SessionRecord::PassOver(std::uint64_t events) {
  lost_ += events;
  next_sequence_ += events;
  unflushed_events_ += events;
}

void SessionRecord::TellLost() {
  if (lost_ == 0) return;
  WriteLine({EventTimes::Now(), EventsLost{lost_}}, 0);
  lost_ = 0;
}

void SessionRecord::WriteLine(const Event& event, std::uint64_t events) {
  FormatLine(line_, next_sequence_, event);
  if (file_->MustFlushBefore(line_.size())) Flush();
  file_->Write(line_);
  // Counted once its line is taken: when the flush before it fails, the batch counts it as lost.
  unflushed_events_ += events;
  ++next_sequence_;
}

void SessionRecord::Flush() {
  file_->Flush();
  flushed_lost_ = lost_;
  flushed_next_sequence_ = next_sequence_;
  unflushed_events_ = 0;
}

void SessionRecord::LoseUnflushed() {
  // The file holds what the last flush left in it; every event since keeps its number, and a
  // "lost" line that went with them gives its number back.
  lost_ = flushed_lost_ + unflushed_events_;
  next_sequence_ = flushed_next_sequence_ + unflushed_events_;
  flushed_lost_ = lost_;
  flushed_next_sequence_ = next_sequence_;
  unflushed_events_ = 0;
  resume_file_ = file_->CurrentFile();
  resume_size_ = file_->FlushedSize();
}

void SessionRecord::Failed(const std::string& what) {
  file_.reset();
  if (warned_) return;
  warned_ = true;
  const std::string warning =
      "quorvane: session record: " + what + "; it goes on once it can be written again";
  if (settings_.warn) {
    settings_.warn(warning);
  } else {
    std::fprintf(stderr, "%s\n", warning.c_str());
  }
}

}  // namespace record
