// The flush of the terminal's file systems is this machine's sync(2): every file system's dirty
// pages go to their devices before the call returns.
#include <unistd.h>

#include "platform/terminal/kernel.h"

void FlushFileSystems() { ::sync(); }
