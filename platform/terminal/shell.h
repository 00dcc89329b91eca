// The shell's start of a program: ShellExecuteExW hands a file to the shell, which opens it (the
// one verb this terminal's shell knows) and returns once the program is running or has failed to
// start. The program is a process of its own that the caller neither waits for nor watches; the
// platform reaps it when it ends (platform/linux/child_reaper.h). The shell takes its own notice
// of a failure: one line on the debug port, beside the error GetLastError reports.
#pragma once

#include "platform/terminal/win_types.h"

// The record's size on the terminal, whose pointers are 32 bits wide; cbSize must hold it.
inline constexpr DWORD kShellExecuteInfoSize = 60;

inline constexpr int SW_SHOW = 5;

struct SHELLEXECUTEINFOW {
  DWORD cbSize;
  UINT fMask;  // no mask is offered: no process handle, no icon, no class
  HWND hwnd;
  LPCWSTR lpVerb;        // "Open" in any case, or null for it
  LPCWSTR lpFile;        // a path on the volumes, used whole: no search along other folders
  LPCWSTR lpParameters;  // none offered: null or empty
  LPCWSTR lpDirectory;   // must be null: the program works in its own folder
  int nShow;
  HINSTANCE hInstApp;
  LPVOID lpIDList;
  LPCWSTR lpClass;
  HANDLE hkeyClass;
  DWORD dwHotKey;
  HANDLE hIcon;
  HANDLE hProcess;
};

// TRUE once the program at lpFile runs as a new process (every call starts another instance).
// FALSE with the last error: ERROR_INVALID_PARAMETER for a record that is not one (null, wrong
// cbSize, no file), ERROR_NOT_SUPPORTED for a mask, parameters or a folder, ERROR_NO_ASSOCIATION
// for another verb; the volumes' error for a path they refuse; for a file that cannot be run,
// ERROR_FILE_NOT_FOUND (missing), ERROR_ACCESS_DENIED (not executable, a folder) or
// ERROR_BAD_EXE_FORMAT (not a format this machine runs).
BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info);
