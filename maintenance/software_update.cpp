// The software update: the resident flash's content replaced by the folder tree on the SD card.
// Everything below "\ResidentFlash\" goes first, then "\SDMMC\Residentflash\" is copied in, both
// walks depth first, each step shown by setting the log pane's whole text. A folder whose name
// begins with "." is neither deleted nor copied; a read-only file stays, unless it is exactly
// read-only and archive, which marks a file the update may replace. Nothing the walks meet stops
// the update, yet every refusal and failure is written to the debug port, since the pane's next
// line replaces it at once and the pane ends with "Copy Completed" alone.
#include <cwchar>
#include <iterator>

#include "app/quorvane_dlg.h"
#include "framework/cwinapp.h"
#include "maintenance/folder_walk.h"
#include "platform/terminal/code_page.h"
#include "platform/terminal/copy_file.h"
#include "platform/terminal/debug_port.h"
#include "platform/terminal/file_attributes.h"
#include "platform/terminal/folders.h"
#include "platform/terminal/volumes.h"

namespace {

constexpr char kDeleteTarget[] = "\\ResidentFlash\\";
constexpr WCHAR kCopySource[] = L"\\SDMMC\\Residentflash\\";
constexpr WCHAR kCopyDestination[] = L"\\Residentflash\\";
constexpr DWORD kStepPauseMs = 1000;
// Read-only with archive and nothing else: a file the update may make normal and delete.
constexpr DWORD kReplaceableReadOnly = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;

bool IsFolder(const WIN32_FIND_DATAW& entry) {
  return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsPassedOver(const WIN32_FIND_DATAW& entry) {
  return IsFolder(entry) && entry.cFileName[0] == L'.';
}

// A name from a card can hold a backslash, which the terminal's names never do: put behind a
// folder's path it would name another entry ("a\b" is b in folder a, perhaps a "." folder), so
// such a name is refused.
bool IsOneName(const WIN32_FIND_DATAW& entry) {
  return std::wcschr(entry.cFileName, L'\\') == nullptr;
}

void ReportFailure(LPCWSTR szWalk, LPCWSTR szCall, const CString& strPath) {
  NKDbgPrintfW(L"CQuorvaneDlg::%s():: %s %s error=%d\r\n", szWalk, szCall,
               static_cast<LPCWSTR>(strPath), static_cast<int>(GetLastError()));
}

void ReportRefusedName(LPCWSTR szWalk, const CString& strFolder, LPCWSTR szName) {
  NKDbgPrintfW(L"CQuorvaneDlg::%s():: name refused in %s: %s\r\n", szWalk,
               static_cast<LPCWSTR>(strFolder), szName);
}

// A folder that could not be listed counts as empty; only an empty one is not worth a line.
void ReportUnlisted(LPCWSTR szWalk, const CFolderWalk& walk, const CString& strFolder) {
  if (walk.StartError() == ERROR_FILE_NOT_FOUND || walk.StartError() == ERROR_SUCCESS) return;
  SetLastError(walk.StartError());
  ReportFailure(szWalk, L"FindFirstFileW", strFolder);
}

CString DeleteTarget() {
  // An ASCII text takes one wide unit a byte in every ANSI code page.
  WCHAR szTarget[sizeof kDeleteTarget] = {};
  MultiByteToWideChar(CP_ACP, 0, kDeleteTarget, -1, szTarget,
                      static_cast<int>(std::size(szTarget)));
  return szTarget;
}

// Whether the card holds something the copy would take: a file, or a folder not passed over.
// Without it the delete would leave the resident flash empty.
bool CardHoldsAnUpdate() {
  for (CFolderWalk walk(kCopySource); walk.Entry() != nullptr; walk.Advance()) {
    if (!IsPassedOver(*walk.Entry())) return true;
  }
  return false;
}

// Said before anything is deleted, at once for a card without an update, or after the pause for
// a card pulled during it.
bool RefusedForTheCard() {
  if (CardHoldsAnUpdate()) return false;
  AfxMessageBox(L"SD 카드에 \\SDMMC\\Residentflash\\ 폴더가 없거나 비어 있어 업데이트하지 "
                L"않았습니다.");
  return true;
}

}  // namespace

void CQuorvaneDlg::OnBnClickedBtnUpdate() {
  NKDbgPrintfW(L"CQuorvaneDlg::SW UPDATE \r\n");
  if (RefusedForTheCard()) return;
  ::Sleep(kStepPauseMs);
  if (RefusedForTheCard()) return;
  DeleteFolderTree(DeleteTarget());
  m_editLog.SetWindowText(L"Delete Completed");
  ::Sleep(kStepPauseMs);
  CopyFolderTree(kCopySource, kCopyDestination);
  m_editLog.SetWindowText(L"Copy Completed");
}

void CQuorvaneDlg::DeleteFolderTree(const CString& strFolder) {
  CFolderWalk walk(strFolder);
  ReportUnlisted(L"DeleteFolderTree", walk, strFolder);
  for (; walk.Entry() != nullptr; walk.Advance()) {
    const WIN32_FIND_DATAW& entry = *walk.Entry();
    if (!IsOneName(entry)) {
      ReportRefusedName(L"DeleteFolderTree", strFolder, entry.cFileName);
      continue;
    }
    if (IsPassedOver(entry)) continue;
    CString strPath;
    strPath.Format(L"%s%s", static_cast<LPCWSTR>(strFolder), entry.cFileName);
    CString strLine;
    if (!IsFolder(entry)) {
      if (entry.dwFileAttributes == kReplaceableReadOnly &&
          !SetFileAttributesW(strPath, FILE_ATTRIBUTE_NORMAL)) {
        ReportFailure(L"DeleteFolderTree", L"SetFileAttributesW", strPath);
      }
      if (!DeleteFileW(strPath)) ReportFailure(L"DeleteFolderTree", L"DeleteFileW", strPath);
      strLine.Format(L"Delete:%s", static_cast<LPCWSTR>(strPath));
    } else {
      CString strSubFolder;
      strSubFolder.Format(L"%s%s\\", static_cast<LPCWSTR>(strFolder), entry.cFileName);
      DeleteFolderTree(strSubFolder);
      if (!RemoveDirectoryW(strSubFolder)) {
        ReportFailure(L"DeleteFolderTree", L"RemoveDirectoryW", strSubFolder);
      }
      strLine.Format(L"Delete Dir:%s", static_cast<LPCWSTR>(strSubFolder));
    }
    m_editLog.SetWindowText(strLine);
  }
}

void CQuorvaneDlg::CopyFolderTree(const CString& strSource, const CString& strDestination) {
  if (!CreateDirectoryW(strDestination, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    ReportFailure(L"CopyFolderTree", L"CreateDirectoryW", strDestination);
  }
  CFolderWalk walk(strSource);
  ReportUnlisted(L"CopyFolderTree", walk, strSource);
  for (; walk.Entry() != nullptr; walk.Advance()) {
    const WIN32_FIND_DATAW& entry = *walk.Entry();
    if (!IsOneName(entry)) {
      ReportRefusedName(L"CopyFolderTree", strSource, entry.cFileName);
      continue;
    }
    if (IsPassedOver(entry)) continue;
    if (IsFolder(entry)) {
      CString strSubSource;
      strSubSource.Format(L"%s%s\\", static_cast<LPCWSTR>(strSource), entry.cFileName);
      CString strSubDestination;
      strSubDestination.Format(L"%s%s\\", static_cast<LPCWSTR>(strDestination), entry.cFileName);
      CopyFolderTree(strSubSource, strSubDestination);
      continue;
    }
    CString strTarget;
    strTarget.Format(L"%s%s", static_cast<LPCWSTR>(strDestination), entry.cFileName);
    CString strLine;
    strLine.Format(L"Copy:%s", static_cast<LPCWSTR>(strTarget));
    m_editLog.SetWindowText(strLine);
    CString strFile;
    strFile.Format(L"%s%s", static_cast<LPCWSTR>(strSource), entry.cFileName);
    if (!CopyFileW(strFile, strTarget, FALSE)) {
      ReportFailure(L"CopyFolderTree", L"CopyFileW", strFile);
    }
  }
}
