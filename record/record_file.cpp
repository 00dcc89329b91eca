#include "record/record_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "record/record_names.h"

namespace record {

namespace fs = std::filesystem;
namespace posix = platform::posix;

namespace {

[[noreturn]] void Throw(int error, const std::string& what) {
  throw std::system_error(error, std::generic_category(), what);
}

void MakeFolder(const fs::path& folder) {
  if (folder.empty() || fs::is_directory(folder)) return;
  MakeFolder(folder.parent_path());
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    Throw(errno, "cannot make " + folder.string());
  }
}

struct OpenedPart {
  posix::UniqueFd fd;
  std::uintmax_t size = 0;
};

// Opens a part for appending. Never through a link, and never waiting for a reader of a FIFO
// that stands at its name; whatever is not a plain file is refused.
OpenedPart OpenPart(const fs::path& file, int more_flags) {
  posix::UniqueFd fd(::open(
      file.c_str(),
      O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK | more_flags,
      0600));
  if (!fd) Throw(errno, "cannot open " + file.string());
  struct stat status {};
  if (const auto examined = posix::FileStatus(fd.get(), &status); !examined.ok()) {
    Throw(examined.error, "cannot examine " + file.string());
  }
  if (!S_ISREG(status.st_mode)) throw std::runtime_error(file.string() + " is not a plain file");
  ::fchmod(fd.get(), 0600);
  return {std::move(fd), static_cast<std::uintmax_t>(status.st_size)};
}

}  // namespace

RecordFile::RecordFile(fs::path file, std::uintmax_t size, std::size_t max_file_bytes,
                       std::size_t max_files)
    : max_file_bytes_(max_file_bytes),
      max_files_(max_files),
      file_(std::move(file)),
      part_(PartNumber(file_).value_or(1)),
      flushed_size_(size) {
  MakeFolder(file_.parent_path());
  OpenedPart opened = OpenPart(file_, 0);
  fd_ = std::move(opened.fd);
  if (opened.size > size && ::ftruncate(fd_.get(), static_cast<off_t>(size)) != 0) {
    Throw(errno, "cannot cut " + file_.string() + " back to its whole lines");
  }
  flushed_size_ = std::min(size, opened.size);
}

bool RecordFile::MustFlushBefore(std::size_t line_bytes) const {
  if (waiting_.empty()) return false;
  return waiting_.size() + line_bytes >= kMostWaitingBytes || StartsNextPart(line_bytes);
}

bool RecordFile::StartsNextPart(std::size_t line_bytes) const {
  const std::uintmax_t size = flushed_size_ + waiting_.size();
  return size != 0 && size + line_bytes + 1 > max_file_bytes_;
}

void RecordFile::Write(std::string_view line) {
  if (StartsNextPart(line.size())) {
    Flush();
    StartNextPart();
  }
  waiting_.append(line) += '\n';
}

void RecordFile::Flush() {
  std::size_t written = 0;
  while (written < waiting_.size()) {
    const auto put = posix::Write(fd_.get(), waiting_.data() + written, waiting_.size() - written);
    if (!put.ok()) {
      // What reached the file goes again, so that no reader meets half a line; should that fail,
      // the next RecordFile on this part cuts it back.
      waiting_.clear();
      const int cut = ::ftruncate(fd_.get(), static_cast<off_t>(flushed_size_));
      static_cast<void>(cut);
      Throw(put.error, "cannot write " + file_.string());
    }
    written += static_cast<std::size_t>(put.value);
  }
  flushed_size_ += waiting_.size();
  waiting_.clear();
}

void RecordFile::StartNextPart() {
  const fs::path next = WithPart(file_, part_ + 1);
  fd_ = OpenPart(next, O_EXCL).fd;
  file_ = next;
  ++part_;
  flushed_size_ = 0;
  if (part_ > max_files_) {
    std::error_code error;  // a part someone else removed is gone all the same
    fs::remove(WithPart(file_, part_ - max_files_), error);
  }
}

}  // namespace record
