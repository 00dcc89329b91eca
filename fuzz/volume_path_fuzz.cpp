// Arbitrary bytes, read as UTF-16 units, as a path on the terminal's volumes: what a name from
// an SD card or an outside sender's text may make of it (case, backslashes, "." and "..",
// slashes and NULs inside names, long names, lone surrogates). The volumes are real folders with
// a few entries, a link among them.
//
// Beyond "no crash": a path that resolves stays inside its volume's folder, reaches no link, and
// resolves the same way twice.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz/fuzz_check.h"
#include "platform/terminal/volumes.h"

namespace {

namespace fs = std::filesystem;

struct Volumes {
  fs::path root;
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
    }
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(TheVolumes().root, ignored);
    });
    return made;
  }();
  return *volumes;
}

bool Inside(const fs::path& path, const fs::path& folder) {
  const auto [end, rest] = std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
  if (end != folder.end()) return false;
  for (auto part = rest; part != path.end(); ++part) {
    if (*part == "..") return false;
  }
  return true;
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
  fuzz::Check(Inside(*host, volumes.root / "SDMMC") || Inside(*host, volumes.root / "ResidentFlash"),
              "a resolved path stays inside its volume");
  for (fs::path step = *host; step != volumes.root && step.has_parent_path();
       step = step.parent_path()) {
    std::error_code missing;  // a name that does not exist yet is no link either
    fuzz::Check(!fs::is_symlink(fs::symlink_status(step, missing)),
                "a resolved path reaches no link");
  }
  fuzz::Check(volumes.table.Resolve(path) == host, "a path resolves the same way twice");
  return 0;
}
