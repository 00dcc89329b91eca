// The I/O control codes of the terminal's vehicle I/O drivers, "ETC1:", "MTR1:" and "EAS1:", with
// the one block they hand back. The codes are plain numbers, not composed from device type,
// function, method and access fields. The console sends them; a driver behind the names (the
// simulated terminal's, or a real board's) answers them.
#pragma once

#include "platform/terminal/win_types.h"

// "ETC1:": switched output lines, each set to the request's value (1 on, 0 off).
inline constexpr DWORD IOCTL_ETC_POWER_OFF_LINE = 9119;  // the line of the "Power Off" selection
inline constexpr DWORD IOCTL_ETC_POWER_ON_LINE = 9120;   // the line of the "Power On" selection
inline constexpr DWORD IOCTL_ETC_LINE_9121 = 9121;       // lines with no caption in the dialog
inline constexpr DWORD IOCTL_ETC_LINE_9010 = 9010;
inline constexpr DWORD IOCTL_ETC_MODEM_START = 9124;  // pulsed by the modem's start-up step
inline constexpr DWORD IOCTL_ETC_MODEM_POWER = 9125;
// One line driven by a pair of codes: 7002 switches it on, 7001 off.
inline constexpr DWORD IOCTL_ETC_PAIR_OFF = 7001;
inline constexpr DWORD IOCTL_ETC_PAIR_ON = 7002;
// The navigation side's request, made when a serial port is opened and when a call is answered.
inline constexpr DWORD IOCTL_ETC_NAVI_REQUEST = 2536;

// "MTR1:": the two signals towards the taxi meter, raised with 1 and lowered with 0.
inline constexpr DWORD IOCTL_MTR_BOARDING = 8028;
inline constexpr DWORD IOCTL_MTR_RESERVATION = 8029;

// The meter side's report of its state to the console's window, a fixed message number: wParam the
// reservation signal, lParam the boarding signal.
inline constexpr UINT WM_METER_MESSAGE = WM_USER + 630;

// "EAS1:": one read of the twelve channels into a block of EAS_BLOCK_SIZE bytes: twelve
// little-endian 32-bit values, then four reserved bytes.
inline constexpr DWORD IOCTL_EAS_READ = 8002;
inline constexpr DWORD EAS_CHANNEL_COUNT = 12;
inline constexpr DWORD EAS_BLOCK_SIZE = 52;
