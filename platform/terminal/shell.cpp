#include "platform/terminal/shell.h"

#include <cerrno>
#include <string_view>
#include <system_error>

#include "platform/linux/child_reaper.h"
#include "platform/linux/file_errors.h"
#include "platform/linux/program_start.h"
#include "platform/ports/board.h"
#include "platform/terminal/debug_port.h"

namespace {

namespace posix = platform::posix;

BOOL Fail(const SHELLEXECUTEINFOW* info, DWORD error) {
  const LPCWSTR file = info != nullptr && info->lpFile != nullptr ? info->lpFile : L"";
  NKDbgPrintfW(L"ShellExecuteEx():: cannot open %s, error=%d\r\n", file, static_cast<int>(error));
  SetLastError(error);
  return FALSE;
}

bool IsOpenVerb(LPCWSTR verb) {
  if (verb == nullptr) return true;
  constexpr std::wstring_view kOpen = L"open";
  const std::wstring_view given(verb);
  if (given.size() != kOpen.size()) return false;
  for (std::size_t i = 0; i < given.size(); ++i) {
    const wchar_t c = given[i];
    if ((c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c) != kOpen[i]) return false;
  }
  return true;
}

DWORD StartError(int error) {
  return error == ENOEXEC ? ERROR_BAD_EXE_FORMAT : posix::FileError(error);
}

}  // namespace

BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info) {
  if (info == nullptr || info->cbSize != kShellExecuteInfoSize || info->lpFile == nullptr) {
    return Fail(info, ERROR_INVALID_PARAMETER);
  }
  const bool has_parameters = info->lpParameters != nullptr && *info->lpParameters != L'\0';
  if (info->fMask != 0 || has_parameters || info->lpDirectory != nullptr) {
    return Fail(info, ERROR_NOT_SUPPORTED);
  }
  if (!IsOpenVerb(info->lpVerb)) return Fail(info, ERROR_NO_ASSOCIATION);

  DWORD error = ERROR_SUCCESS;
  const auto program = platform::CurrentBoard().volumes.Resolve(info->lpFile, &error);
  if (!program) return Fail(info, error);

  // The reaper runs before the program starts, so that no started program goes unreaped.
  posix::ChildReaper* reaper = nullptr;
  try {
    reaper = &posix::ChildReaper::Instance();
  } catch (const std::system_error&) {
    return Fail(info, ERROR_NOT_ENOUGH_MEMORY);
  }
  const posix::CallResult started = posix::StartProgram(*program);
  if (!started.ok()) return Fail(info, StartError(started.error));
  reaper->Adopt(static_cast<pid_t>(started.value));
  return TRUE;
}
