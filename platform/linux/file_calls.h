// The file system calls of the adapters that put private things on this machine (the simulated
// terminal's sandbox, the debug port's file). Each works relative to a folder already open, so
// that the folder that was checked is the one used, and none follows a link in the last
// component unless the flags ask for it. Wrapped like the calls in posix_calls.h: a failure hands
// back the call's name and errno, and a call interrupted by a signal is made again.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/posix_calls.h"

namespace platform::posix {

// openat; `mode` counts only when O_CREAT makes the file. AT_FDCWD opens by an ordinary path.
CallResult OpenAt(int folder, const char* name, int flags, mode_t mode = 0);
CallResult MakeFolderAt(int folder, const char* name, mode_t mode);
// What `name` itself is: a link is described, not followed.
CallResult LinkStatusAt(int folder, const char* name, struct stat* status);
CallResult Status(int fd, struct stat* status);
CallResult ChangeMode(int fd, mode_t mode);
// The mode of what `name` names; a link in the last component is followed, so callers check first.
CallResult ChangeModeAt(int folder, const char* name, mode_t mode);
// Within one folder; replaces what `to` named, a link itself rather than its target.
CallResult RenameAt(int folder, const char* from, const char* to);
// The text of the link `name`, however long.
CallResult ReadLinkAt(int folder, const char* name, std::string* target);
// The names in a folder opened for reading, "." and ".." left out.
CallResult ListFolder(int folder, std::vector<std::string>* names);
// All of `data`, in as many writes as the system takes; `value` is the size written.
CallResult WriteAll(int fd, const void* data, std::size_t size);
CallResult UnlinkAt(int folder, const char* name);
// A new file that nobody else has opened, named after `name`, whose last six characters
// ("XXXXXX") the call replaces with the ones it chose.
CallResult MakeUniqueFile(std::string* name, int flags);
// A second name, `to`, for the file `from` names; never takes the place of a file already there.
CallResult LinkAt(int from_folder, const char* from, int to_folder, const char* to);
// The file's data, and what it takes to find it, reach the disk before the call returns.
CallResult SyncFile(int fd);
// Removes the empty folder `name`.
CallResult RemoveFolderAt(int folder, const char* name);
// Everything from `from`'s offset on to `to`, through the kernel's copy (copy_file_range, or
// sendfile across file systems that cannot share extents); `value` is the size copied.
CallResult CopyContents(int from, int to);
// The access and modification times of `to` set to those of `status`.
CallResult CopyTimes(int to, const struct stat& status);

// Extended attributes of the file `path` names, never of a link's target. A missing attribute
// reads as the error ENODATA.
CallResult ReadExtendedAttribute(const char* path, const char* name, std::string* value);
CallResult WriteExtendedAttribute(const char* path, const char* name, std::string_view value);
CallResult RemoveExtendedAttribute(const char* path, const char* name);
// Reads into `text` until the end of the file or until it holds `limit` bytes, in as many reads
// as the system takes; `value` is the size read. A small file's reader asks for one byte more
// than it takes, to tell a file that grew past its limit while it was read.
CallResult ReadUpTo(int fd, std::size_t limit, std::string* text);

}  // namespace platform::posix
