// The running program's own module: where its executable lies. The application object takes its
// title from the file's name.
#pragma once

#include "platform/terminal/win_types.h"

// Copies the executable's full path (module null: this program) into `file_name`, cut to fit
// `size` characters with its terminating zero. The characters copied without the zero; `size`
// with ERROR_INSUFFICIENT_BUFFER when the path was cut; 0 when there is no such module.
DWORD GetModuleFileNameW(HMODULE module, LPWSTR file_name, DWORD size);
