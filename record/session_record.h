// The session record: every event of a console run (serial blocks, driver requests, pane text,
// message boxes, outside requests) as one line of record/line_format.h in the run's own files,
// a new part at each size (record/record_file.h). Installed among the platform's session
// observers, it takes each event on the thread it happens on by copying it into a queue; its own
// writer thread formats the lines and writes them, flushing after each batch, so a console
// killed outright loses only what happened in its last moments.
//
// The disk never holds the console up: while the record cannot be written (a folder that is
// missing or read-only, a full disk) it warns once on the warning channel, keeps what its queue
// holds, counts what does not fit, and tries again now and then; once it can write again it
// says in the record how many events were lost. A write that fails is taken back from the file
// whole, so the file holds only whole lines; every event keeps its number all the same, so a
// "lost" line follows exactly as many missing numbers as it counts.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/ports/session_events.h"
#include "record/event_queue.h"
#include "record/record_file.h"

namespace record {

inline constexpr std::size_t kDefaultMaxFileBytes = 8 * 1024 * 1024;
inline constexpr std::size_t kDefaultMaxFiles = 10;

struct RecordSettings {
  std::filesystem::path folder;
  std::size_t max_file_bytes = kDefaultMaxFileBytes;
  // How many files one run's record keeps (its current one among them), and how many files of
  // earlier runs are left in the folder when a run starts.
  std::size_t max_files = kDefaultMaxFiles;
  // What may wait for the writer; beyond it events are counted as lost.
  std::size_t queue_bytes = 16 * 1024 * 1024;
  // How long the writer lets events gather between writes, and waits before trying again after
  // a failure.
  std::chrono::milliseconds batch_pause{10};
  std::chrono::milliseconds retry_pause{1000};
  // How long the record may go on writing once the console ends: what a flood left queued beyond
  // that is counted as lost, so that ending the console stays prompt.
  std::chrono::milliseconds last_catch_up{100};
  // Told each warning, as one line without its newline; standard error when left empty.
  std::function<void(const std::string&)> warn;
};

using platform::RecordPosition;

class SessionRecord final : public platform::SessionEvents {
 public:
  // Starts the writer; the first line, "start", tells the process. Nothing is installed yet.
  explicit SessionRecord(RecordSettings settings);
  // Writes what is still queued, as far as the disk and `last_catch_up` let it, then "stop".
  ~SessionRecord() override;
  SessionRecord(const SessionRecord&) = delete;
  SessionRecord& operator=(const SessionRecord&) = delete;

  // Waits until everything recorded before the call is written, at most `patience`; nothing
  // when the record cannot be written now.
  std::optional<RecordPosition> Mark(std::chrono::milliseconds patience);

  void SerialBlock(std::string_view port, platform::SerialDirection direction,
                   std::span<const std::byte> bytes) override;
  void DriverRequest(const platform::DriverRequestEvent& request) override;
  void PaneText(int control_id, platform::PaneChange change, std::u16string_view text) override;
  void MessageBox(std::wstring_view text, std::wstring_view caption, int answer) override;
  void OutsideRequest(std::string_view verb,
                      std::span<const platform::RequestArgument> arguments) override;

 private:
  void Record(EventBody body, std::size_t weight);
  void RunWriter();
  bool ReadyToWrite();
  bool OpenFile();
  void WriteBatch(std::vector<Event>& events);
  // Writes the events a few hundred at a time, and counts as lost what there is no time for.
  void WriteInTurn(std::vector<Event>& events);
  // Whether the console has ended and `last_catch_up` has passed since the writer noticed.
  bool PastLastCatchUp();
  void WriteStop();
  // Events that will have no line: their numbers are passed over, and a "lost" line tells them.
  void PassOver(std::uint64_t events);
  void TellLost();
  // The event's line, standing for `events` events (none for a "lost" line).
  void WriteLine(const Event& event, std::uint64_t events);
  void Flush();
  // After a failed write: what was written since the last flush is not in the file.
  void LoseUnflushed();
  void Failed(const std::string& what);

  const RecordSettings settings_;
  EventQueue queue_;

  // The writer's own.
  std::unique_ptr<RecordFile> file_;
  // Where writing goes on once the record can be written again.
  std::filesystem::path resume_file_;
  std::uintmax_t resume_size_ = 0;
  bool warned_ = false;
  bool pruned_ = false;
  // Every event has a number, written or not: the numbers of the `lost_` events before
  // `next_sequence_` are missing from the file, and the next line says so.
  std::uint64_t lost_ = 0;
  std::uint64_t next_sequence_ = 1;
  // Both as they were at the last flush, and the events taken since.
  std::uint64_t flushed_lost_ = 0;
  std::uint64_t flushed_next_sequence_ = 1;
  std::uint64_t unflushed_events_ = 0;
  std::string line_;  // each line in turn
  std::optional<std::chrono::steady_clock::time_point> last_write_by_;

  // What Mark waits for, published by the writer after each flushed batch.
  std::mutex progress_mutex_;
  std::condition_variable progress_;
  std::uint64_t handled_ = 0;  // events taken from the queue, written or lost
  std::optional<RecordPosition> position_;

  std::thread writer_;  // last: it starts once everything above stands
};

}  // namespace record
