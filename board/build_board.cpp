#include "board/build_board.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "board/file_drivers.h"
#include "platform/linux/bounded_command.h"
#include "platform/linux/file_calls.h"
#include "platform/linux/system_restart.h"
#include "platform/ports/session_events.h"
#include "record/session_record.h"
#include "sim/absent_driver.h"
#include "sim/driver_journal.h"
#include "sim/eas_driver.h"
#include "sim/etc_driver.h"
#include "sim/far_end_link.h"
#include "sim/meter_driver.h"
#include "sim/modem.h"
#include "sim/modem_power.h"
#include "sim/sandbox.h"
#include "sim/simulated_bench.h"
#include "sim/simulated_port.h"
#include "sim/stand_in_programs.h"

namespace board {

namespace {

// The text the console's dialog gives itself: the meter side finds it by this text.
constexpr std::wstring_view kConsoleWindowText = L"QUORVANE";

// The lines of the sandbox's record of restarts.
constexpr std::string_view kRestartLine = "{\"event\":\"restart\"}\n";
constexpr std::string_view kRestartFailedLine = "{\"event\":\"restart failed\"}\n";

// The names are ASCII, so widening is all the conversion there is.
std::wstring Wide(std::string_view ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// The simulated terminal's parts that more than one of its pieces hang on.
struct SharedParts {
  std::shared_ptr<const sim::Sandbox> sandbox;  // EAS1: reads the channels a person sets in it
  std::shared_ptr<sim::DriverJournal> journal;
  std::shared_ptr<sim::ModemPower> modem_power;  // driven by ETC1:, lived by the modem on COM2
};

std::shared_ptr<platform::StreamDriver> MakeDriver(std::string_view name,
                                                   const DriverSetting& setting,
                                                   const SharedParts& shared) {
  const auto& journal = shared.journal;
  const std::string device = std::string(name) + ":";
  if (setting.placement == DriverPlacement::kAbsent) {
    return std::make_shared<sim::AbsentDriver>(device, journal);
  }
  if (setting.placement == DriverPlacement::kFiles) {
    return MakeFileDriver(name, setting.files, journal, std::wstring(kConsoleWindowText));
  }
  if (name == "ETC1") return std::make_shared<sim::EtcDriver>(journal, shared.modem_power);
  if (name == "MTR1") {
    return std::make_shared<sim::MeterDriver>(journal, std::wstring(kConsoleWindowText));
  }
  return std::make_shared<sim::EasDriver>(journal, setting.eas_channels, shared.sandbox);
}

platform::VolumeTable MakeVolumes(const BoardSettings& settings, const sim::Sandbox& sandbox) {
  platform::VolumeTable volumes;
  for (std::string_view name : sim::kVolumeNames) {
    const VolumeSetting setting = settings.Volume(name);
    switch (setting.placement) {
      case VolumePlacement::kInSandbox:
        volumes.Add(Wide(name), sandbox.VolumeFolder(name));
        break;
      case VolumePlacement::kFolder:
        volumes.Add(Wide(name), setting.folder);
        break;
      case VolumePlacement::kAbsent:
        break;
    }
  }
  return volumes;
}

platform::DeviceTable MakeDevices(const BoardSettings& settings, const SharedParts& shared) {
  platform::DeviceTable devices;
  for (std::string_view name : kDriverNames) {
    devices.Add(Wide(name) + L":", MakeDriver(name, settings.Driver(name), shared));
  }
  return devices;
}

std::shared_ptr<platform::DebugSink> MakeDebugPort(const DebugPortSetting& setting,
                                                   const sim::Sandbox& sandbox) {
  if (setting.target == DebugPortTarget::kStandardError) {
    return platform::DebugPortToStandardError();
  }
  if (setting.target == DebugPortTarget::kFile) {
    try {
      return platform::OpenDebugPortFile(setting.file);
    } catch (const std::system_error& error) {
      // A FIFO that nobody reads yet: the console runs without the port, as the terminal does
      // with no one at its debug line, and says so rather than wait for a reader.
      if (error.code() != std::errc::no_such_device_or_address) throw;
      std::fprintf(stderr, "quorvane: %s; going on without a debug port\n", error.what());
      return nullptr;
    }
  }
  return platform::DebugPortOnFile(sandbox.OpenFileForAppend(sim::kDebugLogName).release());
}

// A simulated line with a free or plugged far end publishes that end in the sandbox; every other
// placement takes away the name an earlier run may have left for the port.
// Hands back the simulated lines, by index, for the bench to watch and plug.
std::vector<std::shared_ptr<sim::SimulatedPort>> AddSerialPorts(const BoardSettings& settings,
                                                                const sim::Sandbox& sandbox,
                                                                const SharedParts& shared,
                                                                platform::Board& board) {
  std::vector<std::shared_ptr<sim::SimulatedPort>> lines(kSerialPortNames.size());
  for (std::size_t index = 0; index < kSerialPortNames.size(); ++index) {
    const int number = static_cast<int>(index) + 1;
    const SerialSetting setting = settings.SerialPort(kSerialPortNames[index]);
    const std::filesystem::path far_end = sandbox.SerialFarEnd(number);
    const bool publishes = setting.placement == SerialPlacement::kSimulated ||
                           setting.placement == SerialPlacement::kLoopback;
    if (!publishes) sim::FarEndLink::RemoveStale(far_end);

    std::shared_ptr<sim::SimulatedPort> port;
    switch (setting.placement) {
      case SerialPlacement::kSimulated:
        port = std::make_shared<sim::SimulatedPort>(far_end);
        break;
      case SerialPlacement::kLoopback:
        port = std::make_shared<sim::SimulatedPort>(far_end, sim::FarEndPlug::kLoopback);
        break;
      case SerialPlacement::kModem:
        port = std::make_shared<sim::SimulatedPort>(std::make_shared<sim::Modem>(
            std::string(sim::kDefaultModemNumber), shared.modem_power));
        break;
      case SerialPlacement::kDevice:
        board.serial_ports.Add(number, setting.device);
        break;
      case SerialPlacement::kAbsent:
        break;
    }
    if (port != nullptr) {
      board.serial_ports.Add(number, port->ConsoleSide());
      board.running_parts.push_back(port);
      lines[index] = std::move(port);
    }
  }
  return lines;
}

// The bench's supply draws more for every simulated port the console holds open, and its relay
// switches the loopback plug on COM1 when COM1's far end is published (free or plugged).
void StartBench(const BoardSettings& settings, const SharedParts& shared,
                std::vector<std::shared_ptr<sim::SimulatedPort>> lines, platform::Board& board) {
  sim::BenchWiring wiring;
  wiring.modem_power = shared.modem_power;
  const auto com1 = lines.front();
  const SerialPlacement com1_placement = settings.SerialPort(kSerialPortNames.front()).placement;
  if (com1 != nullptr && (com1_placement == SerialPlacement::kSimulated ||
                          com1_placement == SerialPlacement::kLoopback)) {
    wiring.loopback_plug = [com1](bool in) {
      com1->SetLoopbackPlug(in ? sim::FarEndPlug::kLoopback : sim::FarEndPlug::kNone);
    };
    wiring.loopback_plug_in = com1_placement == SerialPlacement::kLoopback;
  }
  wiring.open_ports = [lines = std::move(lines)] {
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [](const auto& line) {
      return line != nullptr && line->ConsoleSideOpen();
    }));
  };
  board.running_parts.push_back(
      std::make_shared<sim::SimulatedBench>(shared.sandbox, std::move(wiring), settings.bench));
}

// What carries the restart out, as the profile chose. A command only starts here, so that the
// dialog goes on while it runs: its failure shows later, and is told to `failed_later` then.
std::function<bool()> Restart(const RestartSetting& setting,
                              const std::function<void()>& restart_in_place,
                              std::function<void()> failed_later) {
  switch (setting.kind) {
    case RestartKind::kInPlace:
      return [restart_in_place] {
        restart_in_place();
        return true;
      };
    case RestartKind::kReboot:
      return [] { return platform::posix::RebootSystem(); };
    case RestartKind::kCommand: {
      auto command = std::make_shared<platform::posix::BoundedCommand>(
          setting.command, setting.command_timeout,
          [failed_later = std::move(failed_later)](bool succeeded) {
            if (!succeeded) failed_later();
          });
      return [command] { return command->Start(); };
    }
  }
  return nullptr;
}

// The run's session record as one of the platform's session observers, until the board is
// replaced.
class InstalledSessionRecord {
 public:
  explicit InstalledSessionRecord(record::RecordSettings settings) : record_(std::move(settings)) {
    if (!platform::AddSessionEvents(&record_)) {
      throw BoardError("the session record finds no place among the session's observers");
    }
  }
  ~InstalledSessionRecord() { platform::RemoveSessionEvents(&record_); }
  InstalledSessionRecord(const InstalledSessionRecord&) = delete;
  InstalledSessionRecord& operator=(const InstalledSessionRecord&) = delete;

  record::SessionRecord& record() { return record_; }

 private:
  record::SessionRecord record_;
};

// Starts the record and lets the board's mark reach it for as long as it runs.
void StartSessionRecord(const LogSetting& setting, const sim::Sandbox& sandbox,
                        platform::Board& board) {
  record::RecordSettings settings;
  settings.folder = setting.folder.empty() ? sandbox.Folder() / "logs" : setting.folder;
  settings.max_file_bytes = setting.max_file_bytes;
  settings.max_files = setting.max_files;
  auto installed = std::make_shared<InstalledSessionRecord>(std::move(settings));
  board.mark_record =
      [running = std::weak_ptr(installed)](
          std::chrono::milliseconds patience) -> std::optional<platform::RecordPosition> {
    const auto record = running.lock();
    if (record == nullptr) return std::nullopt;
    return record->record().Mark(patience);
  };
  board.running_parts.push_back(std::move(installed));
}

// Records each restart as a line of its own in the sandbox before carrying it out (a reboot
// leaves no later chance); a restart that cannot be recorded does not happen, so the record
// never misses one, and one that failed, at once or later, gets a second line that says so.
// Null when the board cannot restart.
std::function<bool()> RecordedRestart(const sim::Sandbox& sandbox, const RestartSetting& setting,
                                      const std::function<void()>& restart_in_place) {
  if (setting.kind == RestartKind::kInPlace && !restart_in_place) return nullptr;
  auto log =
      std::make_shared<platform::posix::UniqueFd>(sandbox.OpenFileForAppend(sim::kRestartLogName));
  const auto record = [log](std::string_view line) {
    return platform::posix::WriteAll(log->get(), line.data(), line.size()).ok();
  };
  auto restart = Restart(setting, restart_in_place, [record] { record(kRestartFailedLine); });
  return [record, restart = std::move(restart)] {
    if (!record(kRestartLine)) return false;
    if (restart()) return true;
    record(kRestartFailedLine);
    return false;
  };
}

}  // namespace

std::optional<std::filesystem::path> ProfileFromEnvironment() {
  const char* profile = std::getenv("QUORVANE_BOARD");
  if (profile == nullptr || *profile == '\0') return std::nullopt;
  return std::filesystem::path(profile);
}

platform::Board BuildBoard(const BoardOptions& options) {
  const BoardSettings settings = options.profile ? ReadProfile(*options.profile) : BoardSettings{};
  try {
    const auto shared_sandbox =
        std::make_shared<const sim::Sandbox>(sim::Sandbox::Prepare(options.sandbox));
    const sim::Sandbox& sandbox = *shared_sandbox;
    sim::SeedStandInPrograms(sandbox);
    const SharedParts shared{shared_sandbox, std::make_shared<sim::DriverJournal>(sandbox),
                             std::make_shared<sim::ModemPower>()};
    platform::Board board;
    board.volumes = MakeVolumes(settings, sandbox);
    board.devices = MakeDevices(settings, shared);
    board.ansi_code_page = settings.ansi_code_page;
    board.edit_control_capacity = settings.edit_control_capacity;
    board.debug_port = MakeDebugPort(settings.debug_port, sandbox);
    board.restart = RecordedRestart(sandbox, settings.restart, options.restart_in_place);
    StartSessionRecord(settings.log, sandbox, board);
    if (options.before_serial_lines) options.before_serial_lines();
    StartBench(settings, shared, AddSerialPorts(settings, sandbox, shared, board), board);
    return board;
  } catch (const sim::SandboxError& error) {
    throw BoardError(error.what());
  } catch (const std::system_error& error) {
    throw BoardError(error.what());
  }
}

}  // namespace board
