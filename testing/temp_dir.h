// A fresh folder under the system's temporary folder, removed with everything in it at the end.
#pragma once

#include <filesystem>

namespace testing_support {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Whether its file system keeps the extended attributes a user sets ("user.*"), where the
  // terminal's archive, hidden and system bits live; tmpfs before Linux 6.6 does not.
  bool HoldsUserAttributes() const;

 private:
  std::filesystem::path path_;
};

}  // namespace testing_support
