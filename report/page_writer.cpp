#include "report/page_writer.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "report/report_writer.h"

namespace report {

namespace {

std::optional<std::string> WriteFile(const std::filesystem::path& file, const std::string& html) {
  std::ofstream out(file, std::ios::binary);
  out << html;
  out.close();
  if (out) return std::nullopt;
  return file.string() + ": cannot be written (" + std::strerror(errno) + ")";
}

}  // namespace

PageWriter::PageWriter(std::filesystem::path folder)
    : folder_(std::move(folder)), thread_([this] { WriteQueued(); }) {}

PageWriter::~PageWriter() { Stop(true); }

void PageWriter::Write(std::string relative, std::string html) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return queue_.size() < kQueued || failure_; });
  if (failure_) throw ReportError(*failure_);
  queue_.emplace_back(std::move(relative), std::move(html));
  changed_.notify_all();
}

void PageWriter::Finish() {
  Stop(false);
  if (failure_) throw ReportError(*failure_);
}

void PageWriter::Stop(bool drop_queued) {
  {
    const std::lock_guard lock(mutex_);
    if (drop_queued) queue_.clear();
    closing_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void PageWriter::WriteQueued() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return closing_ || !queue_.empty(); });
    if (queue_.empty()) return;
    const auto [relative, html] = std::move(queue_.front());
    queue_.pop_front();
    changed_.notify_all();
    if (failure_) continue;  // the report is given up: what waits is dropped
    lock.unlock();
    std::optional<std::string> fault = WriteFile(folder_ / relative, html);
    lock.lock();
    if (fault) failure_ = std::move(fault);
  }
}

}  // namespace report
