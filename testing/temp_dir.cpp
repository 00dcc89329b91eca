#include "testing/temp_dir.h"

#include <stdlib.h>
#include <sys/xattr.h>

#include <fstream>
#include <stdexcept>
#include <string>
#include <system_error>

namespace testing_support {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "quorvane-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

bool TempDir::HoldsUserAttributes() const {
  const std::filesystem::path probe = path_ / ".user-attributes-probe";
  { std::ofstream create(probe); }
  const bool held = ::setxattr(probe.c_str(), "user.probe", "1", 1, 0) == 0;
  std::error_code ignored;
  std::filesystem::remove(probe, ignored);
  return held;
}

}  // namespace testing_support
