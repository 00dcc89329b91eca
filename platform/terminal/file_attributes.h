// The attributes of files and folders on the terminal's volumes, kept on this machine's files:
// read-only is the owner's write permission (no write bit: read-only), a folder is a folder, and
// the others (archive, hidden, system, temporary) live in an extended attribute of the file
// (platform/linux/stored_attributes.h). A file with none of them reads as FILE_ATTRIBUTE_NORMAL.
#pragma once

#include "platform/terminal/win_types.h"

// The attributes, or INVALID_FILE_ATTRIBUTES with GetLastError telling why.
DWORD GetFileAttributesW(LPCWSTR path);
// Sets exactly `attributes` (FILE_ATTRIBUTE_NORMAL: none); FILE_ATTRIBUTE_DIRECTORY and bits the
// terminal does not know are ignored. Fails with ERROR_NOT_SUPPORTED, changing nothing, when the
// file system has no place for a bit that is asked for.
BOOL SetFileAttributesW(LPCWSTR path, DWORD attributes);
