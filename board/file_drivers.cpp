#include "board/file_drivers.h"

#include <map>
#include <optional>
#include <utility>
#include <variant>

#include "board_io/channel_files.h"
#include "board_io/meter_input_watch.h"
#include "board_io/output_lines.h"
#include "platform/terminal/vehicle_io_codes.h"
#include "sim/eas_driver.h"
#include "sim/meter_driver.h"
#include "sim/simulated_driver.h"

namespace board {

namespace {

// What ETC1: and MTR1: share: lines set to 0 or 1, each through its file.
class FileLinesDriver : public sim::SimulatedDriver {
 protected:
  FileLinesDriver(const std::string& device, const board_io::OutputFiles& files,
                  std::shared_ptr<sim::DriverJournal> journal)
      : SimulatedDriver(device, std::move(journal)),
        teller_(std::make_shared<board_io::FaultTeller>(device)),
        lines_(files, teller_) {}

  // Sets the line of `code` to the request's value, which must be 0 or 1.
  Outcome SetLine(DWORD code, std::optional<DWORD> value) {
    if (!value || *value > 1) return ERROR_INVALID_PARAMETER;
    if (!lines_.Has(code)) return {ERROR_INVALID_PARAMETER, "the board profile gives no file"};
    if (const auto fault = lines_.Set(code, *value == 1)) return {ERROR_INVALID_DATA, fault->what};
    set_[code] = *value;
    return ERROR_SUCCESS;
  }

  // The lines as the requests last set them.
  nlohmann::ordered_json LinesAsJson() const {
    nlohmann::ordered_json lines = nlohmann::ordered_json::object();
    for (const auto& [code, value] : set_) lines[std::to_string(code)] = value;
    return lines;
  }

  const std::shared_ptr<board_io::FaultTeller> teller_;

 private:
  board_io::OutputLines lines_;
  std::map<DWORD, DWORD> set_;
};

class FileEtcDriver final : public FileLinesDriver {
 public:
  FileEtcDriver(const board_io::OutputFiles& files, std::shared_ptr<sim::DriverJournal> journal)
      : FileLinesDriver("ETC1:", files, std::move(journal)) {}

 private:
  Outcome Answer(const Request& request, DWORD*) override {
    switch (request.code) {
      case IOCTL_ETC_NAVI_REQUEST:
        ++navi_requests_;
        return ERROR_SUCCESS;
      case IOCTL_ETC_PAIR_ON:
        return SetLine(IOCTL_ETC_PAIR_OFF, 1);
      case IOCTL_ETC_PAIR_OFF:
        return SetLine(IOCTL_ETC_PAIR_OFF, 0);
    }
    return SetLine(request.code, request.input);
  }

  nlohmann::ordered_json StateAsJson() const override {
    return {{"lines", LinesAsJson()}, {"navi_requests", navi_requests_}};
  }

  int navi_requests_ = 0;
};

class FileMeterDriver final : public FileLinesDriver {
 public:
  FileMeterDriver(const board_io::FileDriverSetting& setting,
                  std::shared_ptr<sim::DriverJournal> journal,
                  const std::wstring& console_window_text)
      : FileLinesDriver("MTR1:", setting.outputs, journal) {
    if (!setting.meter_inputs) return;
    watch_.emplace(*setting.meter_inputs, teller_,
                   [journal, console_window_text](board_io::MeterSignals signals) {
                     journal->RecordReport(
                         "MTR1:", sim::PostMeterReport(console_window_text, signals.reservation,
                                                       signals.boarding));
                   });
  }

 private:
  Outcome Answer(const Request& request, DWORD*) override {
    if (request.code != IOCTL_MTR_BOARDING && request.code != IOCTL_MTR_RESERVATION) {
      return ERROR_INVALID_PARAMETER;
    }
    return SetLine(request.code, request.input);
  }

  nlohmann::ordered_json StateAsJson() const override { return {{"lines", LinesAsJson()}}; }

  std::optional<board_io::MeterInputWatch> watch_;  // last: it stops before the rest goes
};

class FileEasDriver final : public sim::SimulatedDriver {
 public:
  FileEasDriver(const board_io::ChannelFiles& files, std::shared_ptr<sim::DriverJournal> journal)
      : SimulatedDriver("EAS1:", std::move(journal)), files_(files), teller_("EAS1:") {}

 private:
  Outcome Answer(const Request& request, DWORD* bytes_returned) override {
    if (request.code != IOCTL_EAS_READ || request.output == nullptr ||
        request.output_size < EAS_BLOCK_SIZE) {
      return ERROR_INVALID_PARAMETER;
    }
    auto read = board_io::ReadChannels(files_, teller_);
    if (const auto* fault = std::get_if<board_io::FileFault>(&read)) {
      return {ERROR_INVALID_DATA, fault->what};
    }
    last_read_ = std::get<board_io::ChannelValues>(read);
    sim::WriteEasBlock(*last_read_, request.output, bytes_returned);
    return ERROR_SUCCESS;
  }

  nlohmann::ordered_json StateAsJson() const override {
    return {{"channels", last_read_ ? nlohmann::ordered_json(*last_read_) : nullptr},
            {"from", "files"}};
  }

  const board_io::ChannelFiles files_;
  board_io::FaultTeller teller_;
  std::optional<board_io::ChannelValues> last_read_;
};

}  // namespace

std::shared_ptr<platform::StreamDriver> MakeFileDriver(std::string_view name,
                                                       const board_io::FileDriverSetting& setting,
                                                       std::shared_ptr<sim::DriverJournal> journal,
                                                       const std::wstring& console_window_text) {
  if (name == "ETC1") return std::make_shared<FileEtcDriver>(setting.outputs, std::move(journal));
  if (name == "MTR1") {
    return std::make_shared<FileMeterDriver>(setting, std::move(journal), console_window_text);
  }
  return std::make_shared<FileEasDriver>(setting.channels, std::move(journal));
}

}  // namespace board
