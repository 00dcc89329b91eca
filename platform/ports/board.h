// The board: what the terminal's names mean on this machine. Which folders hold the volumes,
// which drivers answer to "ETC1:", "MTR1:" and "EAS1:", which ttys are "COM1:" to "COM9:", which
// code page is the ANSI one and where the debug port writes. It is the platform's configuration,
// not the console's; the simulated terminal is one board, a real terminal another.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/ports/serial_ports.h"
#include "platform/ports/session_events.h"
#include "platform/terminal/debug_port.h"
#include "platform/terminal/devices.h"
#include "platform/terminal/volumes.h"

namespace platform {

inline constexpr std::size_t kDefaultEditControlCapacity = 4'000'000;

struct Board {
  VolumeTable volumes;
  DeviceTable devices;
  SerialPortTable serial_ports;
  UINT ansi_code_page = 949;
  // The UTF-16 units one edit control holds; beyond them its oldest whole lines are dropped
  // (platform/terminal/edit_capacity.h), so a pane left on a busy port stays bounded.
  std::size_t edit_control_capacity = kDefaultEditControlCapacity;
  std::shared_ptr<DebugSink> debug_port;  // null: lines go nowhere
  // The warm restart KernelIoControl(IOCTL_HAL_REBOOT) asks for: true when it is on its way (the
  // console is then about to end, or a command that carries it out has started and the console
  // runs on meanwhile), false when it failed and the console runs on. Null: the board cannot
  // restart.
  std::function<bool()> restart;
  // Waits until everything told to the session record before the call is written, at most
  // `patience`, and tells where the record then stands; nothing when it cannot be written now.
  // Any thread. Null: the board keeps no record.
  std::function<std::optional<RecordPosition>(std::chrono::milliseconds patience)> mark_record;
  // What the board keeps running while it is installed (the simulated terminal's serial lines
  // and the devices on them); they stop when the board is replaced.
  std::vector<std::shared_ptr<void>> running_parts;
};

// Installs the board for the whole process; before the console starts, not while it runs.
void InstallBoard(Board board);
const Board& CurrentBoard();

}  // namespace platform
