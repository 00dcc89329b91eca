// Making and removing folders on the terminal's volumes. A volume's own folder is neither made
// nor removed, and a link is never taken for a folder.
#pragma once

#include "platform/terminal/win_types.h"

struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

// The folder's parent must exist (ERROR_PATH_NOT_FOUND otherwise); a folder or file already
// there fails with ERROR_ALREADY_EXISTS. The terminal keeps no security attributes: `security`
// must be null.
BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES security);
// Only an empty folder goes (ERROR_DIR_NOT_EMPTY otherwise); a read-only one stays, with
// ERROR_ACCESS_DENIED, as on the terminal.
BOOL RemoveDirectoryW(LPCWSTR path);
