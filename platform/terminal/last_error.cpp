#include "platform/terminal/win_types.h"

namespace {
thread_local DWORD last_error = ERROR_SUCCESS;
}

DWORD GetLastError() { return last_error; }
void SetLastError(DWORD error) { last_error = error; }
