// The storage soak test: a small file wanders between the SD card and the internal data store,
// one move a second, for as long as the test runs. The file is made when the dialog starts and
// both of its possible copies go when the dialog's window goes. A move deletes its source only
// once the copy is whole, so a missing, full or read-only volume holds the file back where it is
// instead of losing it, and the next tick simply tries again.
#include <cstdio>

#include "app/quorvane_dlg.h"
#include "app/timer_ids.h"
#include "platform/terminal/copy_file.h"
#include "platform/terminal/crt_stdio.h"
#include "platform/terminal/volumes.h"

namespace {

constexpr char kRwTestFileOnSd[] = "\\SDMMC\\rwtest.txt";
constexpr WCHAR kRwTestFileOnSdW[] = L"\\SDMMC\\rwtest.txt";
constexpr WCHAR kRwTestFileInDataStorage[] = L"\\DataStorage\\rwtest.txt";
constexpr UINT kRwTestPeriodMs = 1000;

// 64 numbered lines of 16 bytes, "rwtest line 00\r\n" to "rwtest line 63\r\n": 1024 bytes that
// read at a glance, where a lost or shifted block shows by its line number.
constexpr std::size_t kLineCount = 64;
constexpr std::size_t kLineSize = 16;

}  // namespace

// Without an SD card the file cannot be made; the test then has nothing to move.
void CQuorvaneDlg::CreateRwTestFile() {
  crt::FILE* file = crt::fopen(kRwTestFileOnSd, "wb+");
  if (file == nullptr) return;
  char block[kLineCount * kLineSize + 1];
  for (std::size_t line = 0; line < kLineCount; ++line) {
    std::snprintf(block + line * kLineSize, kLineSize + 1, "rwtest line %02zu\r\n", line);
  }
  crt::fwrite(block, 1, kLineCount * kLineSize, file);
  crt::fclose(file);
}

void CQuorvaneDlg::DeleteRwTestFiles() {
  ::DeleteFileW(kRwTestFileOnSdW);
  ::DeleteFileW(kRwTestFileInDataStorage);
}

void CQuorvaneDlg::OnBnClickedRwTest() {
  if (m_bRwTestRunning) {
    AppendLog(L"file read/write test end\r\n");
    m_bRwTestRunning = FALSE;
    KillTimer(TIMER_RW_TEST);
  } else {
    AppendLog(L"file read/write test start\r\n");
    m_bRwTestRunning = TRUE;
    SetTimer(TIMER_RW_TEST, kRwTestPeriodMs, nullptr);
  }
}

// The flag follows the file: it changes only when the file has really moved.
void CQuorvaneDlg::OnRwTestTimer() {
  const BOOL bFromDataStorage = m_bRwFileInDataStorage;
  const LPCWSTR szSource = bFromDataStorage ? kRwTestFileInDataStorage : kRwTestFileOnSdW;
  const LPCWSTR szDestination = bFromDataStorage ? kRwTestFileOnSdW : kRwTestFileInDataStorage;
  if (!::CopyFileW(szSource, szDestination, FALSE)) return;
  ::DeleteFileW(szSource);
  m_bRwFileInDataStorage = !bFromDataStorage;
}
