// Copying a file on the terminal's volumes, contents, attributes and modification time together.
// The copy is made beside the target under a temporary name and takes the target's name only
// when it is whole, so a copy that fails (a full or read-only volume, a card pulled) leaves the
// target as it was and no part-written file behind. The contents move through the kernel's own
// copy, as fast as the file systems allow.
#pragma once

#include "platform/terminal/win_types.h"

// Fails with ERROR_FILE_EXISTS when the target exists and `fail_if_exists` is set, and with
// ERROR_ACCESS_DENIED when the source is not a regular file (a folder, a link, a FIFO, a device:
// none of them is waited for) or the target is a folder or read-only.
BOOL CopyFileW(LPCWSTR existing_file, LPCWSTR new_file, BOOL fail_if_exists);
