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
#include <sys/stat.h>
#include <sys/xattr.h>

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
#include "res/install_resources.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMostEntries = 48;
constexpr std::size_t kDeepest = 8;

class WalkingDlg : public CQuorvaneDlg {
 public:
  using CQuorvaneDlg::CopyFolderTree;
  using CQuorvaneDlg::DeleteFolderTree;
};

// Every entry below `root` without following links: its kind and contents or link text.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> entries;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(root, error);
       it != fs::recursive_directory_iterator(); it.increment(error)) {
    const fs::path& path = it->path();
    const std::string name = path.lexically_relative(root).native();
    const fs::file_status status = fs::symlink_status(path, error);
    if (fs::is_symlink(status)) {
      entries[name] = "link " + fs::read_symlink(path, error).native();
    } else if (fs::is_regular_file(status)) {
      std::ifstream file(path, std::ios::binary);
      entries[name] = "file " + std::string(std::istreambuf_iterator<char>(file), {});
    } else {
      entries[name] = "folder";
    }
  }
  return entries;
}

std::set<std::string> TopNames(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

// The entries that lie inside a folder whose name begins with "." (a path with such a name before
// its last one).
std::map<std::string, std::string> InsideDotFolders(const std::map<std::string, std::string>& all) {
  std::map<std::string, std::string> inside;
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

std::size_t CountLinks(const std::map<std::string, std::string>& entries) {
  std::size_t links = 0;
  for (const auto& [name, what] : entries) links += what.starts_with("link ");
  return links;
}

// The host path of one line's entry below `root`, or nothing for a path no host can hold.
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
    case 'd': case 'D':
      fs::create_directory(path, error);
      return;
    case 'l': case 'L':
      fs::create_symlink(outside / "secret.txt", path, error);
      return;
    case 'k': case 'K':
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool resources = (res::InstallResources(), true);
  (void)resources;
  std::string work_template = (fs::temp_directory_path() / "update-walk-XXXXXX").native();
  if (::mkdtemp(work_template.data()) == nullptr) return 0;
  const fs::path work = work_template;
  const fs::path sd = work / "volumes" / "SDMMC";
  const fs::path card = sd / "Residentflash";
  const fs::path flash = work / "volumes" / "ResidentFlash";
  const fs::path outside = work / "outside";
  fs::create_directories(card);
  fs::create_directories(flash);
  fs::create_directories(outside);
  std::ofstream(outside / "secret.txt") << "secret";

  Populate(std::string_view(reinterpret_cast<const char*>(data), size), card, flash, outside);
  platform::Board board;
  board.volumes.Add(L"SDMMC", sd);
  board.volumes.Add(L"ResidentFlash", flash);
  platform::InstallBoard(std::move(board));
  const auto card_before = Snapshot(sd);
  const auto outside_before = Snapshot(outside);
  const auto flash_before = Snapshot(flash);

  {
    WalkingDlg dlg;
    dlg.DeleteFolderTree(L"\\ResidentFlash\\");
    dlg.CopyFolderTree(L"\\SDMMC\\Residentflash\\", L"\\Residentflash\\");
  }

  fuzz::Check(Snapshot(sd) == card_before, "the card is left as it was");
  fuzz::Check(Snapshot(outside) == outside_before, "nothing outside the volumes changes");
  fuzz::Check(TopNames(work) == std::set<std::string>{"outside", "volumes"} &&
                  TopNames(work / "volumes") == std::set<std::string>{"ResidentFlash", "SDMMC"},
              "nothing new stands beside the volumes");
  const auto flash_after = Snapshot(flash);
  fuzz::Check(CountLinks(flash_after) <= CountLinks(flash_before), "no link comes into the flash");
  fuzz::Check(InsideDotFolders(flash_after) == InsideDotFolders(flash_before),
              "what lies in a folder beginning with \".\" stays as it was");
  platform::InstallBoard({});
  std::error_code error;
  fs::remove_all(work, error);
  return 0;
}
