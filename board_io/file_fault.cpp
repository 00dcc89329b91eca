#include "board_io/file_fault.h"

#include <cstdio>

namespace board_io {

void FaultTeller::Heard(const std::filesystem::path& file, const FileFault* fault) {
  {
    const std::lock_guard lock(mutex_);
    if (fault == nullptr) {
      std::erase_if(told_, [&](const auto& told) { return told.first == file; });
      return;
    }
    if (!told_.emplace(file, fault->kind).second) return;
  }
  std::fprintf(stderr, "quorvane: %s %s; what needs it fails until it is fixed\n", device_.c_str(),
               fault->what.c_str());
}

}  // namespace board_io
