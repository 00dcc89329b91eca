#include "sim/sandbox.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "testing/not_a_file.h"
#include "testing/temp_dir.h"
#include "testing/watchdog.h"

namespace sim {
namespace {

namespace fs = std::filesystem;

mode_t ModeOf(const fs::path& path) {
  struct stat status {};
  EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
  return status.st_mode & 07777;
}

std::string RefusalOf(const fs::path& folder) {
  try {
    Sandbox::Prepare(folder);
  } catch (const SandboxError& error) {
    return error.what();
  }
  return "";
}

TEST(SandboxTest, ANewSandboxAndItsMissingParentsArePrivateToTheUser) {
  testing_support::TempDir dir;
  const fs::path folder = dir.path() / "state" / "quorvane" / "sim";
  const Sandbox sandbox = Sandbox::Prepare(folder);

  EXPECT_EQ(sandbox.Folder(), folder);
  EXPECT_EQ(ModeOf(folder), 0700u);
  EXPECT_EQ(ModeOf(dir.path() / "state"), 0700u);
  for (std::string_view volume : kVolumeNames) {
    EXPECT_TRUE(fs::is_directory(folder / "volumes" / volume)) << volume;
  }
  EXPECT_EQ(sandbox.VolumeFolder("SDMMC"), folder / "volumes" / "SDMMC");
  EXPECT_TRUE(fs::is_directory(folder / "tty"));
  EXPECT_EQ(sandbox.SerialFarEnd(2), folder / "tty" / "COM2");
  EXPECT_EQ(sandbox.ConsoleSocket(), folder / "console.sock");
}

TEST(SandboxTest, AnExistingSandboxKeepsItsContent) {
  testing_support::TempDir dir;
  const fs::path folder = dir.path() / "sandbox";
  Sandbox::Prepare(folder);
  std::ofstream(folder / "volumes" / "SDMMC" / "kept.txt") << "kept";

  Sandbox::Prepare(folder.string() + "/");  // a trailing slash names the same folder
  EXPECT_TRUE(fs::exists(folder / "volumes" / "SDMMC" / "kept.txt"));
}

void MakeFolder(const fs::path& folder, mode_t mode, uid_t owner = ::geteuid()) {
  fs::create_directories(folder);
  ASSERT_EQ(::chmod(folder.c_str(), mode), 0) << folder;
  ASSERT_EQ(::lchown(folder.c_str(), owner, static_cast<gid_t>(-1)), 0) << folder;
}

constexpr uid_t kNobody = 65534;

TEST(SandboxTest, PathsOthersCannotTamperWithAreTakenAndMadePrivate) {
  struct Case {
    const char* what;
    std::function<void(const fs::path&)> plant;
    const char* sandbox;
  };
  const std::vector<Case> cases = {
      {"below a sticky folder such as /tmp",
       [](const fs::path& d) { MakeFolder(d / "tmp", 01777); }, "tmp/sim"},
      {"through a link of this user's, as a state folder of a service is",
       [](const fs::path& d) {
         MakeFolder(d / "lib" / "private", 0700);
         fs::create_directory_symlink("private/quorvane", d / "lib" / "quorvane");
       },
       "lib/quorvane"},
      {"an empty folder others may read", [](const fs::path& d) { MakeFolder(d / "s", 0755); },
       "s"},
      {"an earlier version's sandbox, made before sandboxes were marked",
       [](const fs::path& d) {
         MakeFolder(d / "old" / "volumes" / "SDMMC", 0700);
         MakeFolder(d / "old" / "tty", 0700);
         std::ofstream(d / "old" / "volumes" / "SDMMC" / "kept.txt") << "kept";
         std::ofstream(d / "old" / "drivers.jsonl") << "{}\n";
         std::ofstream(d / "old" / "debug.log") << "kept\n";
       },
       "old"},
  };
  for (const Case& c : cases) {
    testing_support::TempDir dir;
    c.plant(dir.path());
    std::vector<fs::path> before;
    for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
      before.push_back(entry.path());
    }

    Sandbox::Prepare(dir.path() / c.sandbox);
    const fs::path folder = fs::canonical(dir.path() / c.sandbox);
    EXPECT_EQ(ModeOf(folder), 0700u) << c.what;
    EXPECT_EQ(ModeOf(folder / ".quorvane-sandbox"), 0600u) << c.what;
    EXPECT_TRUE(fs::is_directory(folder / "volumes" / "Windows")) << c.what;
    for (const fs::path& kept : before) EXPECT_TRUE(fs::exists(kept)) << c.what << ": " << kept;
  }
}

// Every name under a folder with its type, mode, owner and size, links not followed.
std::map<fs::path, std::string> Snapshot(const fs::path& root) {
  std::map<fs::path, std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    struct stat status {};
    EXPECT_EQ(::lstat(entry.path().c_str(), &status), 0);
    entries[entry.path()] = std::to_string(status.st_mode) + " " + std::to_string(status.st_uid) +
                            " " + std::to_string(status.st_size);
  }
  return entries;
}

TEST(SandboxTest, PathsOthersCouldTamperWithOrFoldersOfOtherUseAreRefusedAndLeftAsTheyWere) {
  struct Case {
    const char* what;
    std::function<void(const fs::path&)> plant;
    const char* sandbox;
    const char* at_fault;  // the path the refusal names
    const char* reason;
    bool needs_root;  // to hand things to another user
  };
  const std::vector<Case> cases = {
      {"a parent everyone may write to, without the sticky bit",
       [](const fs::path& d) { MakeFolder(d / "shared", 0777); }, "shared/quorvane/sim", "shared",
       "other users may write to it", false},
      {"a link another user planted in a sticky folder (XDG_STATE_HOME under /tmp)",
       [](const fs::path& d) {
         MakeFolder(d / "tmp", 01777);
         MakeFolder(d / "victim", 0755);
         fs::create_directory_symlink(d / "victim", d / "tmp" / "state");
         ASSERT_EQ(::lchown((d / "tmp" / "state").c_str(), kNobody, kNobody), 0);
       },
       "tmp/state/quorvane/sim", "tmp/state",
       "is a link owned by another user (uid 65534); refusing to follow it", true},
      {"another user's folder in a sticky folder",
       [](const fs::path& d) {
         MakeFolder(d / "tmp", 01777);
         MakeFolder(d / "tmp" / "theirs", 0755, kNobody);
       },
       "tmp/theirs/sim", "tmp/theirs", "belongs to another user (uid 65534)", true},
      {"another user's folder as the sandbox",
       [](const fs::path& d) { MakeFolder(d / "sandbox", 0700, kNobody); }, "sandbox", "sandbox",
       "belongs to another user (uid 65534)", true},
      {"a sandbox its group may write to", [](const fs::path& d) { MakeFolder(d / "s", 0770); },
       "s", "s", "other users may write to it", false},
      {"a sticky folder everyone may write to as the sandbox",
       [](const fs::path& d) { MakeFolder(d / "s", 01777); }, "s", "s",
       "other users may write to it; refusing to use it", false},
      {"a folder with someone's files in it",
       [](const fs::path& d) {
         MakeFolder(d / "project", 0755);
         std::ofstream(d / "project" / "notes.txt") << "mine";
       },
       "project", "project", "holds other things (such as \"notes.txt\")", false},
      {"a home folder named by mistake (--sandbox ~)",
       [](const fs::path& d) {
         MakeFolder(d / "home" / ".local" / "state", 0755);
         std::ofstream(d / "home" / ".bashrc") << "alias ll='ls -l'\n";
         std::ofstream(d / "home" / ".profile") << "\n";
         ASSERT_EQ(::chmod((d / "home").c_str(), 0755), 0);
       },
       "home", "home", "holds other things (such as \".bashrc\")", false},
      {"a plain file", [](const fs::path& d) { std::ofstream(d / "file") << "x"; }, "file", "file",
       "is not a folder", false},
      {"a file where a volume's folder belongs",
       [](const fs::path& d) {
         Sandbox::Prepare(d / "s");
         fs::remove(d / "s" / "volumes" / "Windows");
         std::ofstream(d / "s" / "volumes" / "Windows") << "x";
       },
       "s", "s/volumes/Windows", "is there but not a folder", false},
      {"a link where a volume's folder belongs",
       [](const fs::path& d) {
         Sandbox::Prepare(d / "s");
         MakeFolder(d / "elsewhere", 0700);
         fs::remove(d / "s" / "volumes" / "Windows");
         fs::create_directory_symlink(d / "elsewhere", d / "s" / "volumes" / "Windows");
       },
       "s", "s/volumes/Windows", "is a link; refusing to follow it", false},
  };
  for (const Case& c : cases) {
    if (c.needs_root && ::geteuid() != 0) continue;
    testing_support::TempDir dir;
    c.plant(dir.path());
    const auto before = Snapshot(dir.path());

    const std::string refusal = RefusalOf(dir.path() / c.sandbox);
    EXPECT_NE(refusal.find("sandbox: " + (dir.path() / c.at_fault).string() + ": "),
              std::string::npos)
        << c.what << ": " << refusal;
    EXPECT_NE(refusal.find(c.reason), std::string::npos) << c.what << ": " << refusal;
    EXPECT_EQ(Snapshot(dir.path()), before) << c.what;
  }
}

TEST(SandboxTest, FilesInTheSandboxAreTheUsersAloneAndNeverReachedThroughALink) {
  struct Case {
    const char* what;
    std::function<void(const fs::path& file, const fs::path& outside)> plant;
    const char* reason;  // empty: opened, 0600, appended to
  };
  const std::vector<Case> cases = {
      {"a new file", [](const fs::path&, const fs::path&) {}, ""},
      {"an earlier run's file that others may read",
       [](const fs::path& file, const fs::path&) {
         std::ofstream(file) << "earlier\n";
         ::chmod(file.c_str(), 0644);
       },
       ""},
      {"a link to a file elsewhere",
       [](const fs::path& file, const fs::path& outside) { fs::create_symlink(outside, file); },
       "is a link; refusing to follow it"},
      {"a dangling link",
       [](const fs::path& file, const fs::path& outside) {
         fs::create_symlink(outside.string() + ".new", file);
       },
       "is a link; refusing to follow it"},
      {"a second name of a file elsewhere",
       [](const fs::path& file, const fs::path& outside) { fs::create_hard_link(outside, file); },
       "has other names (hard links)"},
      {"a pipe, which would hold the console's start",
       [](const fs::path& file, const fs::path&) { ::mkfifo(file.c_str(), 0600); },
       "is not a plain file"},
  };
  for (const Case& c : cases) {
    testing_support::TempDir dir;
    const Sandbox sandbox = Sandbox::Prepare(dir.path() / "s");
    const fs::path outside = dir.path() / "precious.txt";
    std::ofstream(outside) << "precious\n";
    const fs::path file = dir.path() / "s" / kDebugLogName;
    c.plant(file, outside);

    try {
      const platform::posix::UniqueFd opened = sandbox.OpenFileForAppend(kDebugLogName);
      EXPECT_EQ(std::string(c.reason), "") << c.what << ": was opened";
      EXPECT_EQ(::write(opened.get(), "line\n", 5), 5) << c.what;
      EXPECT_EQ(ModeOf(file), 0600u) << c.what;
    } catch (const SandboxError& error) {
      const std::string refusal = error.what();
      EXPECT_EQ(refusal.rfind("sandbox: " + file.string() + ": " + c.reason, 0), 0u)
          << c.what << ": " << refusal;
    }
    std::ifstream in(outside);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "precious\n") << c.what;
  }
}

// The debug port, the journal and the restarts are opened for appending, the EAS channels read;
// neither waits on what is no file.
TEST(SandboxTest, WhatIsNoPlainFileIsRefusedWithoutWaiting) {
  testing_support::TempDir dir;
  const Sandbox sandbox = Sandbox::Prepare(dir.path() / "s");
  const fs::path file = dir.path() / "s" / "x";
  const struct {
    const char* call;
    std::function<void()> open;
    const char* refusal;
  } opens[] = {
      {"OpenFileForAppend", [&] { sandbox.OpenFileForAppend("x"); }, "refusing to write to it"},
      {"ReadSmallFile", [&] { sandbox.ReadSmallFile("x", 100); }, "refusing to read it"},
  };
  for (const testing_support::NotAFile what : testing_support::kEveryNotAFile) {
    for (const auto& open : opens) {
      const std::string where = testing_support::NameOf(what) + ", " + open.call;
      if (const std::string why = testing_support::Plant(what, file); !why.empty()) {
        GTEST_SKIP() << "the rest held; " << why;
      }
      const bool link = what == testing_support::NotAFile::kDanglingLink;
      try {
        const testing_support::Watchdog watchdog(std::chrono::seconds(5), where);
        open.open();
        ADD_FAILURE() << where << ": opened";
      } catch (const SandboxError& error) {
        const std::string reason = link ? "is a link; refusing to follow it"
                                        : std::string("is not a plain file; ") + open.refusal;
        EXPECT_EQ(std::string(error.what()), "sandbox: " + file.string() + ": " + reason) << where;
      }
      fs::remove(file);
    }
  }
}

}  // namespace
}  // namespace sim
