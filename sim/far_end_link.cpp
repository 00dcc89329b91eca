#include "sim/far_end_link.h"

#include <unistd.h>

#include <string>
#include <system_error>

namespace sim {

FarEndLink::FarEndLink(std::filesystem::path link, std::filesystem::path far_end)
    : link_(std::move(link)), far_end_(std::move(far_end)) {
  // Renamed into place, so that a program looking at the name sees the old link or the new one.
  std::filesystem::path fresh = link_;
  fresh += ".new" + std::to_string(::getpid());
  std::filesystem::remove(fresh);
  std::filesystem::create_symlink(far_end_, fresh);
  try {
    std::filesystem::rename(fresh, link_);
  } catch (const std::filesystem::filesystem_error&) {
    std::error_code ignored;
    std::filesystem::remove(fresh, ignored);
    throw;
  }
}

FarEndLink::~FarEndLink() {
  std::error_code error;
  if (std::filesystem::read_symlink(link_, error) == far_end_) {
    std::filesystem::remove(link_, error);
  }
}

void FarEndLink::RemoveStale(const std::filesystem::path& link) {
  if (std::filesystem::is_symlink(std::filesystem::symlink_status(link))) {
    std::filesystem::remove(link);
  }
}

}  // namespace sim
