// The board profile: a TOML file that says where the simulated terminal's parts live when they
// should not live in the sandbox, or that a part is missing. board/example-profile.toml shows
// every setting. Reading is strict: an unknown or mistyped setting stops start-up with the file,
// the line and what is wrong, since a console half configured by a typo would test the wrong
// thing without saying so.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "board_io/file_settings.h"
#include "platform/ports/board.h"
#include "platform/terminal/win_types.h"
#include "record/session_record.h"
#include "sim/bench_settings.h"
#include "sim/eas_driver.h"

namespace board {

// What stops the board from being built; for the profile's faults the text reads
// "FILE:LINE: what is wrong".
class BoardError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The stream drivers, by the names the profile uses; the device is the name with a colon.
inline constexpr std::array<std::string_view, 3> kDriverNames{"ETC1", "MTR1", "EAS1"};

// The serial ports, by the names the profile uses; the device is the name with a colon.
inline constexpr std::array<std::string_view, 6> kSerialPortNames{"COM1", "COM2", "COM3",
                                                                  "COM4", "COM5", "COM6"};
// The edit controls' capacity a profile may set, in UTF-16 units: at the most, a read of a whole
// pane (each unit at most 6 bytes of JSON) still fits an outside sender's reply.
inline constexpr std::int64_t kLeastEditControlCapacity = 1'000;
inline constexpr std::int64_t kMostEditControlCapacity = 10'000'000;

// Where the simulated modem sits unless the profile says otherwise.
inline constexpr std::string_view kModemPortName = "COM2";

enum class VolumePlacement { kInSandbox, kFolder, kAbsent };

struct VolumeSetting {
  VolumePlacement placement = VolumePlacement::kInSandbox;
  std::filesystem::path folder;  // with kFolder: an existing folder, absolute
};

// kFiles: a real board's driver, its lines and channels files of this machine (board_io/).
enum class DriverPlacement { kSimulated, kAbsent, kFiles };

struct DriverSetting {
  DriverPlacement placement = DriverPlacement::kSimulated;
  sim::EasChannels eas_channels = sim::kDefaultEasChannels;  // what a simulated EAS1 reads
  board_io::FileDriverSetting files;                         // with kFiles
};

enum class DebugPortTarget { kSandboxFile, kFile, kStandardError };

struct DebugPortSetting {
  DebugPortTarget target = DebugPortTarget::kSandboxFile;
  std::filesystem::path file;  // with kFile: absolute, in an existing folder
};

// kSimulated: a simulated line whose far end outside programs open as SANDBOX/tty/COMn;
// kLoopback: the same line with a loopback plug on its far end, which sends the console's bytes
// straight back; kModem: a simulated line with the simulated modem on its far end; kDevice: a
// tty of this machine, such as a USB serial adapter.
enum class SerialPlacement { kSimulated, kLoopback, kModem, kAbsent, kDevice };

struct SerialSetting {
  SerialPlacement placement = SerialPlacement::kSimulated;
  std::filesystem::path device;  // with kDevice: an existing character device
};

// How the board carries out the warm restart the console asks for. kInPlace: the simulated
// terminal's, the console starts again in the same process; kReboot: this machine reboots
// (sync, then reboot(2)); kCommand: `command` is started while the console runs on, and the
// restart is on its way when it exits with status 0 (["systemctl", "reboot"]); one still running
// after `command_timeout` is killed, and the restart has failed.
enum class RestartKind { kInPlace, kReboot, kCommand };

inline constexpr std::int64_t kLeastRestartTimeoutSeconds = 1;
inline constexpr std::int64_t kMostRestartTimeoutSeconds = 3600;

struct RestartSetting {
  RestartKind kind = RestartKind::kInPlace;
  std::vector<std::string> command;  // with kCommand: the program (searched on PATH), arguments
  std::chrono::seconds command_timeout{30};
};

// Where the session record goes and how much of it is kept ([log]). Without a folder it goes to
// the sandbox's logs/.
struct LogSetting {
  std::filesystem::path folder;  // absolute when set
  std::size_t max_file_bytes = record::kDefaultMaxFileBytes;
  std::size_t max_files = record::kDefaultMaxFiles;
};
inline constexpr std::int64_t kLeastLogFileBytes = 4096;
inline constexpr std::int64_t kMostLogFileBytes = 1LL << 30;
inline constexpr std::int64_t kMostLogFiles = 1000;

// The defaults are the simulated terminal: everything simulated and in the sandbox.
struct BoardSettings {
  UINT ansi_code_page = 949;
  std::size_t edit_control_capacity = platform::kDefaultEditControlCapacity;
  // By the names of sim::kVolumeNames, kDriverNames and kSerialPortNames; a part the profile
  // does not name keeps its default.
  std::map<std::string, VolumeSetting, std::less<>> volumes;
  std::map<std::string, DriverSetting, std::less<>> drivers;
  std::map<std::string, SerialSetting, std::less<>> serial_ports;
  DebugPortSetting debug_port;
  RestartSetting restart;
  LogSetting log;
  sim::BenchSettings bench;  // the faults the simulated bench's instruments show

  VolumeSetting Volume(std::string_view name) const;
  DriverSetting Driver(std::string_view name) const;
  // The modem on COM2, a simulated line with a free far end on every other port.
  SerialSetting SerialPort(std::string_view name) const;
};

// Reads and checks a profile; paths in it are taken relative to the profile's own folder.
// Throws BoardError.
BoardSettings ReadProfile(const std::filesystem::path& file);

// Checks a profile's text as ReadProfile does once the file is read: refusals begin with
// `name_for_errors`, relative paths are taken from `folder` (absolute).
BoardSettings ReadProfileText(std::string_view text, const std::string& name_for_errors,
                              const std::filesystem::path& folder);

}  // namespace board
