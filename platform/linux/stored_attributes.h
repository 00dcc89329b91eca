// Where the terminal's file attributes that this machine's file systems have no place for
// (archive, hidden, system, temporary) are kept: the extended attribute
// "user.quorvane.attributes" of the file, as hexadecimal text ("0x20"). Read-only and folder are
// not kept here; they are the file's own write permission and type.
#pragma once

#include <sys/types.h>

#include "platform/linux/posix_calls.h"
#include "platform/terminal/win_types.h"

namespace platform::posix {

inline constexpr char kAttributesName[] = "user.quorvane.attributes";
inline constexpr DWORD kStoredAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                           FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY;

// The kept bits of the file `host_path` names: 0 when it has none, or text that is no number
// (a file from outside may carry anything).
DWORD StoredAttributes(const char* host_path);
// Keeps the kept bits of `attributes` and drops the others; with none, the extended attribute
// is removed. ENOTSUP when the file system has no place for bits that are asked for.
CallResult StoreAttributes(const char* host_path, DWORD attributes);
// All the attributes the terminal sees on the file `host_path` names, whose mode is `mode`: the
// kept bits, the folder bit, read-only for a missing owner write bit; FILE_ATTRIBUTE_NORMAL for
// none of them.
DWORD TerminalAttributes(const char* host_path, mode_t mode);

}  // namespace platform::posix
