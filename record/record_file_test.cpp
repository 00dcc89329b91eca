// What stands where a part of the record is to be written: anything but a plain file is refused
// at once, never written through and never waited on.
#include "record/record_file.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <stdexcept>

#include "testing/temp_dir.h"

namespace record {
namespace {

namespace fs = std::filesystem;

TEST(RecordFileTest, APartThatIsNoPlainFileIsRefusedWithoutWaiting) {
  testing_support::TempDir temp;
  const fs::path target = temp.path() / "elsewhere.txt";
  std::ofstream(target) << "not the record's\n";
  const struct {
    const char* what;
    std::function<void(const fs::path&)> plant;
  } kCases[] = {
      {"a FIFO nobody reads", [](const fs::path& at) { ASSERT_EQ(::mkfifo(at.c_str(), 0600), 0); }},
      {"a link to a file", [&](const fs::path& at) { fs::create_symlink(target, at); }},
      {"a dangling link", [&](const fs::path& at) { fs::create_symlink(temp.path() / "no", at); }},
      {"a folder", [](const fs::path& at) { fs::create_directory(at); }},
      {"a socket",
       [](const fs::path& at) {
         const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
         sockaddr_un address{};
         address.sun_family = AF_UNIX;
         std::strncpy(address.sun_path, at.c_str(), sizeof(address.sun_path) - 1);
         ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
         ::close(fd);
       }},
  };
  int index = 0;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const fs::path part = temp.path() / ("session-X" + std::to_string(++index) + ".part0001.log");
    c.plant(part);
    EXPECT_ANY_THROW(RecordFile(part, 0, 4096, 2));
  }
  std::ifstream linked(target);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(linked), {}), "not the record's\n");
}

}  // namespace
}  // namespace record
