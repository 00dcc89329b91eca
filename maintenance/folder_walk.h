// One folder's listing for the software update's walks: the entries of a folder one after the
// other, each in the listing's own find record, and the listing closed when the walk leaves the
// folder, whichever way it leaves. A folder that cannot be listed (missing, empty, unreadable)
// has no entries.
#pragma once

#include "framework/cstring.h"
#include "platform/terminal/find_file.h"

class CFolderWalk {
 public:
  // Lists `strFolder`, a folder's path ending with a backslash.
  explicit CFolderWalk(const CString& strFolder)
      : m_hFind(FindFirstFileW(Pattern(strFolder), &m_findData)),
        m_dwStartError(m_hFind == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS),
        m_bHasEntry(m_hFind != INVALID_HANDLE_VALUE) {}
  ~CFolderWalk() {
    if (m_hFind != INVALID_HANDLE_VALUE) FindClose(m_hFind);
  }
  CFolderWalk(const CFolderWalk&) = delete;
  CFolderWalk& operator=(const CFolderWalk&) = delete;

  // The current entry, or null once the listing has ended or when it never started.
  const WIN32_FIND_DATAW* Entry() const { return m_bHasEntry ? &m_findData : nullptr; }
  void Advance() { m_bHasEntry = FindNextFileW(m_hFind, &m_findData) != FALSE; }
  // Why the listing did not start; ERROR_FILE_NOT_FOUND for an empty folder.
  DWORD StartError() const { return m_dwStartError; }

 private:
  static CString Pattern(const CString& strFolder) {
    CString strPattern;
    strPattern.Format(L"%s*.*", static_cast<LPCWSTR>(strFolder));
    return strPattern;
  }

  WIN32_FIND_DATAW m_findData = {};  // before the handle: the first entry lands in it
  HANDLE m_hFind;
  DWORD m_dwStartError;
  bool m_bHasEntry;
};
