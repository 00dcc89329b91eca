// For tests: a file system a test puts in place of a folder and takes away again, to give the
// console a small SD card or flash that fills up, turns read-only or is pulled out while in use.
// Mounts are made in a mount namespace private to the test program (and the programs it starts),
// so the machine never sees them and they go when the test program ends. They need the right to
// mount: root, or a user namespace where the system allows one; MountsUnavailable says why not.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace testing_support {

// Empty when this program may mount; otherwise why not, for the test's skip message. The first
// call moves the calling thread into a private mount namespace; make it before starting threads.
std::string MountsUnavailable();

class TestMount {
 public:
  // A memory file system of `bytes` (rounded up to whole pages) at `folder`, which is created
  // when missing; its root is mode 0700.
  static TestMount SmallFileSystem(const std::filesystem::path& folder, std::size_t bytes);
  // `source` shown at `folder` as well: pulling it takes it from `folder` only.
  static TestMount Bind(const std::filesystem::path& source, const std::filesystem::path& folder);

  TestMount(TestMount&& other) noexcept;
  TestMount& operator=(TestMount&&) = delete;
  TestMount(const TestMount&) = delete;
  ~TestMount();

  const std::filesystem::path& folder() const { return folder_; }

  // Writes one file into the folder until the file system refuses more; the bytes written.
  std::size_t FillUp() const;
  // Removes what FillUp wrote.
  void Free() const;
  void MakeReadOnly() const;
  void MakeWritable() const;
  // As a card pulled out: the file system leaves at once, even while files on it are open, and
  // the folder goes with it, so its path names nothing.
  void Pull();

 private:
  explicit TestMount(std::filesystem::path folder) : folder_(std::move(folder)) {}
  void Remount(unsigned long flags) const;

  std::filesystem::path folder_;
  bool mounted_ = true;
};

}  // namespace testing_support
