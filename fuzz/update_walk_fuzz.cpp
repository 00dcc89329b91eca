// Arbitrary trees on the SD card and in the resident flash, through the software update's two
// walks: everything below the flash is deleted, then the card's folder tree is copied in. The
// input lists the entries to make, one a line: a kind, then a path of host names separated by
// "/" (any bytes: backslashes, "..\", dots, bad UTF-8):
//   f / d   a file / a folder in the card's update folder      F / D   the same in the flash
//   l / k   a link on the card to a file / a folder outside    L / K   the same in the flash
//   r / a   a read-only (0x01) / read-only archive (0x21) file in the flash
//
// Beyond "no crash": nothing outside the two volumes changes, the card is left exactly as it
// was, no link comes into the flash that was not there before, and what lies in the flash's
// folders beginning with "." stays as it was.
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/quorvane_dlg.h"
#include "fuzz/fuzz_check.h"
#include "platform/ports/board.h"
#include "platform/terminal/clock.h"
#include "platform/terminal/message_loop.h"
#include "res/install_resources.h"

namespace {

namespace fs = std::filesystem;

// Enough for every case of the update in one tree; every entry is made, walked, read and removed
// again for every input.
constexpr std::size_t kMostEntries = 16;
constexpr std::size_t kDeepest = 8;

class WalkingDlg : public CQuorvaneDlg {
 public:
  using CQuorvaneDlg::CopyFolderTree;
  using CQuorvaneDlg::DeleteFolderTree;
};

using Entries = std::map<std::string, std::string>;

std::string Contents(int folder, const char* name) {
  std::string contents;
  const int file = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (file < 0) return contents;
  char chunk[4096];
  for (ssize_t got; (got = ::read(file, chunk, sizeof chunk)) > 0;) contents.append(chunk, got);
  ::close(file);
  return contents;
}

// Calls `each(name, type)` for every entry of the open folder `folder` but "." and "..", with
// the type as getdents64 tells it (DT_UNKNOWN where the file system does not). Read into a
// buffer on the stack: a directory stream's 32 KiB buffer for every folder of every tree, made
// and freed through AddressSanitizer's allocator, cost more than the walk itself.
template <class Each>
void ForEachEntry(int folder, Each each) {
  alignas(dirent64) char listing[8192];
  for (long got; (got = ::syscall(SYS_getdents64, folder, listing, sizeof listing)) > 0;) {
    for (long at = 0; at < got;) {
      const auto* entry = reinterpret_cast<const dirent64*>(listing + at);
      at += entry->d_reclen;
      const std::string_view name = entry->d_name;
      if (name != "." && name != "..") each(entry->d_name, entry->d_type);
    }
  }
}

// The entry's type, asked of the file system when the listing did not tell it.
unsigned char TypeOf(int folder, const char* name, unsigned char listed) {
  if (listed != DT_UNKNOWN) return listed;
  struct stat status {};
  if (::fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) != 0) return DT_UNKNOWN;
  return S_ISLNK(status.st_mode) ? DT_LNK : S_ISDIR(status.st_mode) ? DT_DIR : DT_REG;
}

int OpenFolderIn(int folder, const char* name) {
  return ::openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Adds every entry below the open folder `folder` (which it closes) to `entries` by its path
// after `prefix`, without following links: its kind and contents or link text. Read through
// the folder's descriptor, without a path built and looked up again for every entry.
void AddEntries(int folder, const std::string& prefix, Entries& entries) {
  ForEachEntry(folder, [&](const char* name, unsigned char listed) {
    const std::string path = prefix + name;
    switch (TypeOf(folder, name, listed)) {
      case DT_LNK: {
        char target[PATH_MAX];
        const ssize_t size = ::readlinkat(folder, name, target, sizeof target);
        entries[path] = "link " + std::string(target, size > 0 ? size : 0);
        break;
      }
      case DT_DIR: {
        entries[path] = "folder";
        if (const int inner = OpenFolderIn(folder, name); inner >= 0) {
          AddEntries(inner, path + "/", entries);
        }
        break;
      }
      case DT_UNKNOWN:
        break;  // gone while it was looked at
      default:
        entries[path] = "file " + Contents(folder, name);
    }
  });
  ::close(folder);
}

// Every entry below `root` without following links: its kind and contents or link text.
Entries Snapshot(const fs::path& root) {
  Entries entries;
  const int folder = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) AddEntries(folder, "", entries);
  return entries;
}

std::set<std::string> TopNames(const fs::path& folder) {
  std::set<std::string> names;
  if (const int open = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); open >= 0) {
    ForEachEntry(open, [&](const char* name, unsigned char) { names.insert(name); });
    ::close(open);
  }
  return names;
}

// Removes everything below the open folder `folder` (which it closes), links as links; read-only
// files go too, as their folders are writable. Listed again until a listing removes nothing: one
// need not show every entry while entries are removed as it is read.
void RemoveEntries(int folder) {
  for (bool removed = true; removed;) {
    removed = false;
    ForEachEntry(folder, [&](const char* name, unsigned char listed) {
      if (TypeOf(folder, name, listed) == DT_DIR) {
        if (const int inner = OpenFolderIn(folder, name); inner >= 0) RemoveEntries(inner);
        removed |= ::unlinkat(folder, name, AT_REMOVEDIR) == 0;
      } else {
        removed |= ::unlinkat(folder, name, 0) == 0;
      }
    });
    ::lseek(folder, 0, SEEK_SET);
  }
  ::close(folder);
}

// `root` and everything below it.
void RemoveTree(const fs::path& root) {
  if (const int folder = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      folder >= 0) {
    RemoveEntries(folder);
  }
  ::rmdir(root.c_str());
}

// The entries that lie inside a folder whose name begins with "." (a path with such a name before
// its last one).
Entries InsideDotFolders(const Entries& all) {
  Entries inside;
  for (const auto& [name, what] : all) {
    const fs::path path(name);
    for (auto part = path.begin(); part != path.end() && std::next(part) != path.end(); ++part) {
      if (part->native().starts_with('.')) {
        inside.emplace(name, what);
        break;
      }
    }
  }
  return inside;
}

std::size_t CountLinks(const Entries& entries) {
  std::size_t links = 0;
  for (const auto& [name, what] : entries) links += what.starts_with("link ");
  return links;
}

// The host path of one line's entry below `root`, or nothing for a path no host can hold or one
// through a link an earlier line made: the input itself would reach outside the volumes.
bool HostPath(const fs::path& root, std::string_view names, fs::path* path) {
  *path = root;
  std::size_t depth = 0;
  while (!names.empty()) {
    const std::size_t end = std::min(names.find('/'), names.size());
    const std::string_view name = names.substr(0, end);
    if (name.empty() || name == "." || name == ".." || name.size() > 255 ||
        name.find('\0') != std::string_view::npos || ++depth > kDeepest) {
      return false;
    }
    std::error_code error;
    if (depth > 1 && fs::is_symlink(fs::symlink_status(*path, error))) return false;
    *path /= std::string(name);
    names.remove_prefix(std::min(end + 1, names.size()));
  }
  return depth > 0;
}

void Make(char kind, const fs::path& path, const fs::path& outside) {
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  if (error || fs::exists(fs::symlink_status(path, error))) return;
  switch (kind) {
    case 'd':
    case 'D':
      fs::create_directory(path, error);
      return;
    case 'l':
    case 'L':
      fs::create_symlink(outside / "secret.txt", path, error);
      return;
    case 'k':
    case 'K':
      fs::create_directory_symlink(outside, path, error);
      return;
    default:
      std::ofstream(path, std::ios::binary) << path.filename().native();
  }
  if (kind == 'a') ::setxattr(path.c_str(), "user.quorvane.attributes", "0x20", 4, 0);
  if (kind == 'r' || kind == 'a') ::chmod(path.c_str(), S_IRUSR);
}

void Populate(std::string_view input, const fs::path& card, const fs::path& flash,
              const fs::path& outside) {
  std::size_t made = 0;
  while (!input.empty() && made < kMostEntries) {
    const std::size_t end = std::min(input.find('\n'), input.size());
    const std::string_view line = input.substr(0, end);
    input.remove_prefix(std::min(end + 1, input.size()));
    if (line.size() < 2) continue;
    const char kind = line[0];
    const bool in_flash = std::string_view("FDLKra").find(kind) != std::string_view::npos;
    if (!in_flash && std::string_view("fdlk").find(kind) == std::string_view::npos) continue;
    fs::path path;
    if (!HostPath(in_flash ? flash : card, line.substr(1), &path)) continue;
    Make(kind, path, outside);
    ++made;
  }
}

// The trees live in memory when this machine has a tmpfs at /dev/shm: a run makes and removes
// millions of files.
fs::path WorkBase() {
  std::error_code error;
  return fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
}

// One folder for the whole run, removed as it ends (a crash leaves it to look at): the volumes
// are made anew for every input beside a folder outside them that stays, with a file for the
// links to point at.
struct Work {
  fs::path root;
  fs::path outside;
  Entries outside_entries;

  ~Work() { RemoveTree(root); }
};

const Work& TheWork() {
  static const Work work = [] {
    std::string root = (WorkBase() / "update-walk-XXXXXX").native();
    if (::mkdtemp(root.data()) == nullptr) std::abort();
    const fs::path outside = fs::path(root) / "outside";
    fs::create_directory(outside);
    std::ofstream(outside / "secret.txt") << "secret";
    return Work{root, outside, Snapshot(outside)};
  }();
  return work;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool resources = (res::InstallResources(), true);
  (void)resources;
  // The dialog's ports wait a moment as they close: on a virtual clock that takes no time.
  static platform::VirtualClock clock;
  static platform::MessageLoop loop(clock);
  const Work& work = TheWork();
  const fs::path volumes = work.root / "volumes";
  const fs::path sd = volumes / "SDMMC";
  const fs::path card = sd / "Residentflash";
  const fs::path flash = volumes / "ResidentFlash";
  fs::create_directories(card);
  fs::create_directories(flash);

  Populate(std::string_view(reinterpret_cast<const char*>(data), size), card, flash, work.outside);
  platform::Board board;
  board.volumes.Add(L"SDMMC", sd);
  board.volumes.Add(L"ResidentFlash", flash);
  platform::InstallBoard(std::move(board));
  const auto card_before = Snapshot(sd);
  const auto flash_before = Snapshot(flash);

  {
    WalkingDlg dlg;
    dlg.DeleteFolderTree(L"\\ResidentFlash\\");
    dlg.CopyFolderTree(L"\\SDMMC\\Residentflash\\", L"\\Residentflash\\");
  }

  fuzz::Check(Snapshot(sd) == card_before, "the card is left as it was");
  fuzz::Check(Snapshot(work.outside) == work.outside_entries,
              "nothing outside the volumes changes");
  fuzz::Check(TopNames(work.root) == std::set<std::string>{"outside", "volumes"} &&
                  TopNames(volumes) == std::set<std::string>{"ResidentFlash", "SDMMC"},
              "nothing new stands beside the volumes");
  const auto flash_after = Snapshot(flash);
  fuzz::Check(CountLinks(flash_after) <= CountLinks(flash_before), "no link comes into the flash");
  fuzz::Check(InsideDotFolders(flash_after) == InsideDotFolders(flash_before),
              "what lies in a folder beginning with \".\" stays as it was");
  platform::InstallBoard({});
  RemoveTree(volumes);
  return 0;
}
