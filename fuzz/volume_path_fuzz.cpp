// Arbitrary bytes, read as UTF-16 units, as a path on the terminal's volumes: what a name from
// an SD card or an outside sender's text may make of it (case, backslashes, "." and "..",
// slashes and NULs inside names, long names, lone surrogates). The volumes are real folders with
// a few entries, a link among them.
//
// Beyond "no crash": a path that resolves stays inside its volume's folder, reaches no link, and
// resolves the same way twice.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "platform/terminal/volumes.h"

namespace {

namespace fs = std::filesystem;

struct Volumes {
  fs::path root;
  std::vector<std::string> folders;
  platform::VolumeTable table;
};

Volumes& TheVolumes() {
  static Volumes* volumes = [] {
    auto* made = new Volumes;
    made->root = fs::temp_directory_path() / ("quorvane-volume-fuzz-" + std::to_string(::getpid()));
    for (const char* name : {"SDMMC", "ResidentFlash"}) {
      const fs::path folder = made->root / name;
      fs::create_directories(folder / "Residentflash" / "Sub");
      std::ofstream(folder / "Residentflash" / "a.exe") << "a";
      std::ofstream(folder / "Residentflash" / "A.EXE") << "A";
      fs::create_directory_symlink("/", folder / "Residentflash" / "out");
      made->table.Add(fs::path(name).wstring(), folder);
      made->folders.push_back(folder.native());
    }
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(TheVolumes().root, ignored);
    });
    return made;
  }();
  return *volumes;
}

// Whether `path` lies in `folder`: below its own name, with no ".." among the names after it.
bool Inside(const std::string& path, const std::string& folder) {
  if (!path.starts_with(folder) || (path.size() > folder.size() && path[folder.size()] != '/')) {
    return false;
  }
  for (std::size_t slash = folder.size(); slash < path.size();) {
    const std::size_t next = std::min(path.find('/', slash + 1), path.size());
    if (std::string_view(path).substr(slash + 1, next - slash - 1) == "..") return false;
    slash = next;
  }
  return true;
}

// Whether a name on the way from `folder` down to `path` is a link. Only names that exist can be:
// the walk ends at the first that does not.
bool ReachesLink(const std::string& path, const std::string& folder) {
  for (std::size_t slash = path.find('/', folder.size() + 1);; slash = path.find('/', slash + 1)) {
    struct stat status {};
    if (::lstat(path.substr(0, slash).c_str(), &status) != 0) return false;
    if (S_ISLNK(status.st_mode)) return true;
    if (slash == std::string::npos) return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::wstring path(size / 2, L'\0');
  for (std::size_t unit = 0; unit < path.size(); ++unit) {
    path[unit] = static_cast<wchar_t>(data[2 * unit] | data[2 * unit + 1] << 8);
  }
  const Volumes& volumes = TheVolumes();
  const auto host = volumes.table.Resolve(path);
  if (!host) return 0;
  const std::string& resolved = host->native();
  const std::string* volume = nullptr;
  for (const std::string& folder : volumes.folders) {
    if (Inside(resolved, folder)) volume = &folder;
  }
  fuzz::Check(volume != nullptr, "a resolved path stays inside its volume");
  fuzz::Check(!ReachesLink(resolved, *volume), "a resolved path reaches no link");
  fuzz::Check(volumes.table.Resolve(path) == host, "a path resolves the same way twice");
  return 0;
}
