// Writes the report's pages on a thread of its own, so that the disk's work on one page overlaps
// the store's work on the next (a line's report is a hundred thousand files). At most kQueued
// pages wait, so the memory a report takes stays bounded whatever its size. The first page that
// cannot be written stops the rest and is told by the next Write or by Finish.
#pragma once

#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

namespace report {

class PageWriter {
 public:
  static constexpr std::size_t kQueued = 64;

  // Pages go into `folder`, which is there.
  explicit PageWriter(std::filesystem::path folder);
  // Without Finish (a report given up), drops what waits and stops.
  ~PageWriter();
  PageWriter(const PageWriter&) = delete;
  PageWriter& operator=(const PageWriter&) = delete;

  // Queues the page `relative` (to the folder), waiting while kQueued pages wait; throws
  // ReportError when an earlier page could not be written.
  void Write(std::string relative, std::string html);
  // Waits until every page is written; throws ReportError for the first that could not be.
  void Finish();

 private:
  void WriteQueued();
  void Stop(bool drop_queued);

  const std::filesystem::path folder_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::pair<std::string, std::string>> queue_;
  bool closing_ = false;
  std::optional<std::string> failure_;
  std::thread thread_;  // last, so that it starts with the rest in place
};

}  // namespace report
