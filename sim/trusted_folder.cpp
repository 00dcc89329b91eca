#include "sim/trusted_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <deque>
#include <utility>
#include <vector>

#include "platform/linux/file_calls.h"

namespace sim {

namespace {

namespace fs = std::filesystem;
namespace posix = platform::posix;

constexpr int kMostLinks = 40;  // as many as the kernel follows on one path

// A folder reached so far, held open so that the next name is looked up in this very folder.
struct Step {
  posix::UniqueFd folder;
  fs::path shown;
};

[[noreturn]] void Refuse(const fs::path& where, const std::string& what) {
  throw UntrustedPathError(where, what);
}

[[noreturn]] void RefuseFailed(const fs::path& where, const std::string& what,
                               const posix::CallResult& call) {
  Refuse(where, what + " (" + call.Describe() + ")");
}

bool TrustedOwner(uid_t owner) { return owner == ::geteuid() || owner == 0; }

std::string OtherUser(uid_t owner) { return "another user (uid " + std::to_string(owner) + ")"; }

void CheckFolder(const struct stat& status, const fs::path& shown) {
  if (!S_ISDIR(status.st_mode)) Refuse(shown, "is not a folder");
  if (!TrustedOwner(status.st_uid)) {
    Refuse(shown, "belongs to " + OtherUser(status.st_uid) + ", who could replace what is in it");
  }
  const bool others_write = (status.st_mode & (S_IWGRP | S_IWOTH)) != 0;
  if (others_write && (status.st_mode & S_ISVTX) == 0) {
    Refuse(shown, "other users may write to it, and so replace what is in it");
  }
}

// The names to walk through, in order.
std::deque<std::string> NamesOf(const fs::path& path) {
  std::deque<std::string> names;
  for (const fs::path& name : path.relative_path()) {
    if (!name.empty() && name != ".") names.push_back(name.string());
  }
  return names;
}

// Opened without read access, which a folder on the way may not grant; enough to look up names.
Step OpenChecked(int parent, const char* name, const fs::path& shown) {
  const posix::CallResult opened =
      posix::OpenAt(parent, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (!opened.ok()) {
    if (opened.error == ENOTDIR) Refuse(shown, "is not a folder");
    RefuseFailed(shown, "cannot be opened", opened);
  }
  Step step{posix::UniqueFd(static_cast<int>(opened.value)), shown};
  struct stat status {};
  const posix::CallResult examined = posix::Status(step.folder.get(), &status);
  if (!examined.ok()) RefuseFailed(shown, "cannot be examined", examined);
  CheckFolder(status, shown);
  return step;
}

}  // namespace

TrustedFolder OpenTrustedFolder(const fs::path& absolute) {
  std::vector<Step> steps;
  steps.push_back(OpenChecked(AT_FDCWD, "/", "/"));
  std::deque<std::string> pending = NamesOf(absolute);
  int links = 0;
  bool created = false;
  while (!pending.empty()) {
    const std::string name = std::move(pending.front());
    pending.pop_front();
    if (name == "..") {
      if (steps.size() > 1) steps.pop_back();
      created = false;
      continue;
    }
    const Step& parent = steps.back();
    const fs::path shown = parent.shown / name;
    struct stat status {};
    posix::CallResult examined = posix::LinkStatusAt(parent.folder.get(), name.c_str(), &status);
    bool made = false;
    if (examined.error == ENOENT) {
      const posix::CallResult making = posix::MakeFolderAt(parent.folder.get(), name.c_str(), 0700);
      if (!making.ok() && making.error != EEXIST) RefuseFailed(shown, "cannot be created", making);
      made = making.ok();
      examined = posix::LinkStatusAt(parent.folder.get(), name.c_str(), &status);
    }
    if (!examined.ok()) RefuseFailed(shown, "cannot be examined", examined);

    if (S_ISLNK(status.st_mode)) {
      if (!TrustedOwner(status.st_uid)) {
        Refuse(shown, "is a link owned by " + OtherUser(status.st_uid) + "; refusing to follow it");
      }
      if (++links > kMostLinks) Refuse(shown, "leads through too many links");
      std::string target;
      const posix::CallResult read = posix::ReadLinkAt(parent.folder.get(), name.c_str(), &target);
      if (!read.ok()) RefuseFailed(shown, "cannot be read as a link", read);
      const fs::path target_path(target);
      if (target_path.is_absolute()) steps.erase(steps.begin() + 1, steps.end());
      const std::deque<std::string> target_names = NamesOf(target_path);
      pending.insert(pending.begin(), target_names.begin(), target_names.end());
      continue;
    }
    steps.push_back(OpenChecked(parent.folder.get(), name.c_str(), shown));
    created = made;
  }

  const Step& last = steps.back();
  const posix::CallResult opened =
      posix::OpenAt(last.folder.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (!opened.ok()) RefuseFailed(last.shown, "cannot be opened", opened);
  return {posix::UniqueFd(static_cast<int>(opened.value)), created};
}

}  // namespace sim
