#include "plan/report_names.h"

#include <ctime>

namespace plan {

namespace {

bool Plain(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.';
}

}  // namespace

std::string EncodeNamePart(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string part;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    // A leading "." would hide the file, and "." or ".." name folders.
    if (Plain(c) && !(at == 0 && c == '.')) {
      part += c;
    } else {
      const auto byte = static_cast<unsigned char>(c);
      part += {'%', kHex[byte >> 4], kHex[byte & 0xF]};
    }
  }
  return part;
}

std::string ReportStem(std::string_view unit, std::string_view plan_name, WallTime start) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(start);
  std::tm utc{};
  ::gmtime_r(&seconds, &utc);
  char when[32];
  std::strftime(when, sizeof when, "%Y%m%dT%H%M%SZ", &utc);
  return EncodeNamePart(unit) + "_" + EncodeNamePart(plan_name) + "_" + when;
}

std::string FreeReportStem(const std::filesystem::path& out, const std::string& stem) {
  for (int counter = 1;; ++counter) {
    std::string candidate = counter == 1 ? stem : stem + "_" + std::to_string(counter);
    bool taken = false;
    for (const char* suffix : {".json", ".xml", ".session"}) {
      std::error_code error;
      // Whatever is there takes the name, a dangling link included. A folder that cannot be
      // looked into fails the writes later, with the reason.
      const auto type = std::filesystem::symlink_status(out / (candidate + suffix), error).type();
      taken = taken || (type != std::filesystem::file_type::not_found &&
                        type != std::filesystem::file_type::none);
    }
    if (!taken) return candidate;
  }
}

}  // namespace plan
