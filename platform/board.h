// The board: what the terminal's names mean on this machine. Which folders hold the volumes,
// which drivers answer to "ETC1:", "MTR1:" and "EAS1:", which code page is the ANSI one and where
// the debug port writes. It is the platform's configuration, not the console's; the simulated
// terminal is one board, a real terminal another.
#pragma once

#include <memory>

#include "platform/debug_port.h"
#include "platform/devices.h"
#include "platform/volumes.h"

namespace platform {

struct Board {
  VolumeTable volumes;
  DeviceTable devices;
  UINT ansi_code_page = 949;
  std::shared_ptr<DebugSink> debug_port;  // null: lines go nowhere
};

// Installs the board for the whole process; before the console starts, not while it runs.
void InstallBoard(Board board);
const Board& CurrentBoard();

}  // namespace platform
