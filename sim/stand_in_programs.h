// The terminal's other programs on the simulated terminal: each of the programs its console
// starts gets, at its path in the sandbox's volumes, a small stand-in (a shell script) that notes
// in the sandbox's launched.log that it was started and ends, so that every launcher command does
// something visible out of the box. A file already at a program's path (a real program a person
// put there, or an earlier stand-in) is left as it is.
#pragma once

#include <array>
#include <string_view>

#include "sim/sandbox.h"

namespace sim {

// The programs, by their paths on the terminal.
inline constexpr std::array<std::wstring_view, 7> kTerminalPrograms{
    L"\\ResidentFlash\\Morlune\\DMB\\DmbPlayer.exe",
    L"\\ResidentFlash\\Morlune\\AvPlayer.exe",
    L"\\ResidentFlash\\Morlune\\RearCamera.exe",
    L"\\Windows\\GpsViewer.exe",
    L"\\ResidentFlash\\Morlune\\Setting.exe",
    L"\\ResidentFlash\\Morlune\\UTIS\\UTIS.exe",
    L"\\Windows\\iesample.exe"};

// One line for every start of a stand-in: "<terminal path> started (stand-in), pid <pid>".
inline constexpr std::string_view kLaunchLogName = "launched.log";

// Puts the stand-ins where nothing is yet. One that cannot be put (a file where a folder belongs,
// a link on the way, a full disk) is passed over: the stand-ins are a convenience.
void SeedStandInPrograms(const Sandbox& sandbox);

}  // namespace sim
