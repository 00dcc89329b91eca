#include "tools/quorvane-plan/kept_session_record.h"

#include <map>
#include <system_error>

namespace quorvane_plan {

namespace fs = std::filesystem;

namespace {

// A rename, or a copy and a removal when the two folders lie on different file systems.
void Move(const fs::path& from, const fs::path& to) {
  std::error_code error;
  fs::rename(from, to, error);
  if (error == std::errc::cross_device_link) {
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    fs::remove(from);
  } else if (error) {
    throw fs::filesystem_error("cannot move the session record", from, to, error);
  }
}

}  // namespace

bool KeepSessionRecord(const fs::path& logs, const fs::path& destination, plan::RunResult& run,
                       std::string& error) {
  std::map<std::string, std::string> moved;  // where each file was, where it is now
  try {
    fs::create_directories(destination);
    for (const auto& entry : fs::directory_iterator(logs)) {
      if (!entry.is_regular_file()) continue;
      const fs::path kept = destination / entry.path().filename();
      Move(entry.path(), kept);
      moved.emplace(entry.path().string(), kept.string());
    }
  } catch (const fs::filesystem_error& failure) {
    error = failure.what();
  }
  for (auto& phase : run.phases) {
    if (!phase.record) continue;
    for (auto* mark : {&phase.record->begin, &phase.record->end}) {
      if (const auto found = moved.find(mark->file); found != moved.end()) {
        mark->file = found->second;
      }
    }
  }
  return error.empty();
}

}  // namespace quorvane_plan
