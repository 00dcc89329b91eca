// Listing a folder of the terminal's volumes, one entry at a time, into a find record. The names
// of a folder are read when the listing starts, in the order the file system keeps them, without
// "." and ".."; each entry is described when it is handed out, so one deleted meanwhile is passed
// over. An entry is described as it is, never through a link: a link is handed out as a file
// (no folder bit), and the calls on the volumes refuse it. A name that is not UTF-8 comes out
// with U+FFFD in place of its bad bytes, so it reaches no other file by accident.
#pragma once

#include "platform/terminal/win_types.h"

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

struct WIN32_FIND_DATAW {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwOID;
  WCHAR cFileName[MAX_PATH];
};

// `pattern` is a folder's path followed by "*.*" or "*"; other patterns fail with
// ERROR_INVALID_PARAMETER. INVALID_HANDLE_VALUE, with ERROR_FILE_NOT_FOUND for an empty folder
// and ERROR_PATH_NOT_FOUND for a missing one, when there is no first entry.
HANDLE FindFirstFileW(LPCWSTR pattern, WIN32_FIND_DATAW* find_data);
// FALSE with ERROR_NO_MORE_FILES after the last entry.
BOOL FindNextFileW(HANDLE find, WIN32_FIND_DATAW* find_data);
BOOL FindClose(HANDLE find);
