#include "board_io/meter_input_watch.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <utility>
#include <variant>

#include "board_io/switch_events.h"
#include "board_io/value_file.h"
#include "platform/linux/descriptor_wait.h"
#include "platform/linux/regular_file.h"

namespace board_io {

namespace {

using platform::posix::DescriptorWait;
using platform::posix::SteadyTime;
using Clock = std::chrono::steady_clock;

// The level last reported, and a different one seen since, until it has held long enough.
class Debouncer {
 public:
  Debouncer(MeterSignals start, std::chrono::milliseconds hold) : reported_(start), hold_(hold) {}

  void See(MeterSignals level, SteadyTime now) {
    if (level == reported_) {
      pending_.reset();
    } else if (!pending_ || pending_->level != level) {
      pending_ = Pending{level, now};
    }
  }

  // The level to report, once the one pending has held for the debounce time.
  std::optional<MeterSignals> Settled(SteadyTime now) {
    if (!pending_ || now - pending_->since < hold_) return std::nullopt;
    reported_ = pending_->level;
    pending_.reset();
    return reported_;
  }

  std::optional<SteadyTime> Deadline() const {
    if (!pending_) return std::nullopt;
    return pending_->since + hold_;
  }

 private:
  struct Pending {
    MeterSignals level;
    SteadyTime since;
  };
  MeterSignals reported_;
  const std::chrono::milliseconds hold_;
  std::optional<Pending> pending_;
};

std::optional<SteadyTime> Earlier(std::optional<SteadyTime> one, std::optional<SteadyTime> other) {
  if (!one) return other;
  if (!other) return one;
  return std::min(*one, *other);
}

// Both inputs' levels from their files, or nothing while either fails.
std::optional<MeterSignals> ReadInputFiles(const MeterInputs& inputs, FaultTeller& teller) {
  bool failed = false;
  const auto level = [&](const InputLine& line) {
    const auto read = ReadLevel(line.value);
    const auto* fault = std::get_if<FileFault>(&read);
    teller.Heard(line.value.file, fault);
    failed = failed || fault != nullptr;
    return fault == nullptr && std::get<bool>(read);
  };
  const MeterSignals signals{level(inputs.reservation), level(inputs.boarding)};
  if (failed) return std::nullopt;
  return signals;
}

// An input device, or a FIFO standing in for one; anything else is never opened.
std::variant<platform::posix::UniqueFd, FileFault> OpenInputDevice(
    const std::filesystem::path& device) {
  const auto fault = [&](FaultKind kind, const std::string& what) {
    return FileFault{device, kind, device.string() + ": " + what};
  };
  struct stat status {};
  if (::stat(device.c_str(), &status) != 0) {
    return errno == ENOENT ? fault(FaultKind::kMissing, "does not exist")
                           : fault(FaultKind::kCannotOpen, std::strerror(errno));
  }
  if (!S_ISCHR(status.st_mode) && !S_ISFIFO(status.st_mode)) {
    return fault(FaultKind::kNotAFile,
                 "is " + platform::posix::KindOfFile(status.st_mode) + ", not an input device");
  }
  const auto opened =
      platform::posix::Open(device.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (!opened.ok()) {
    return fault(FaultKind::kCannotOpen, "cannot be opened: " + opened.Describe());
  }
  return platform::posix::UniqueFd(static_cast<int>(opened.value));
}

// The switches' levels as the device holds them now; all off where it cannot tell (a FIFO).
MeterSignals SwitchesNow(int device, const MeterInputs& inputs) {
  std::array<unsigned char, SW_MAX / 8 + 1> bits{};
  if (::ioctl(device, EVIOCGSW(bits.size()), bits.data()) < 0) bits.fill(0);
  const auto level = [&](const InputLine& line) {
    const bool high = line.switch_code <= SW_MAX &&
                      (bits[line.switch_code / 8] & (1U << (line.switch_code % 8))) != 0;
    return high != line.value.active_low;
  };
  return {level(inputs.reservation), level(inputs.boarding)};
}

void Apply(const SwitchChange& change, const MeterInputs& inputs, MeterSignals& level) {
  if (change.code == inputs.reservation.switch_code) {
    level.reservation = change.on != inputs.reservation.value.active_low;
  }
  if (change.code == inputs.boarding.switch_code) {
    level.boarding = change.on != inputs.boarding.value.active_low;
  }
}

}  // namespace

MeterInputWatch::MeterInputWatch(MeterInputs inputs, std::shared_ptr<FaultTeller> teller,
                                 Report report)
    : inputs_(std::move(inputs)), teller_(std::move(teller)), report_(std::move(report)) {
  thread_ = std::thread([this] {
    if (inputs_.input_device.empty()) {
      WatchFiles();
    } else {
      WatchDevice();
    }
  });
}

MeterInputWatch::~MeterInputWatch() {
  stop_.Raise();
  thread_.join();
}

void MeterInputWatch::WatchFiles() {
  DescriptorWait wait(stop_.fd());
  std::optional<Debouncer> debouncer;  // from the first levels read
  for (;;) {
    const SteadyTime now = Clock::now();
    if (const auto level = ReadInputFiles(inputs_, *teller_)) {
      if (!debouncer) debouncer.emplace(*level, inputs_.debounce);
      debouncer->See(*level, now);
    }
    if (debouncer) {
      if (const auto settled = debouncer->Settled(now)) report_(*settled);
    }
    const auto deadline =
        Earlier(now + inputs_.poll_period, debouncer ? debouncer->Deadline() : std::nullopt);
    if (wait.Until(deadline) != DescriptorWait::Outcome::kTimedOut) return;
  }
}

void MeterInputWatch::WatchDevice() {
  DescriptorWait wait(stop_.fd());
  std::optional<Debouncer> debouncer;  // from the switches' levels at the first open
  MeterSignals level;
  platform::posix::UniqueFd device;
  SwitchEventStream stream;
  for (;;) {
    std::optional<SteadyTime> retry;
    if (device.get() < 0) {
      auto opened = OpenInputDevice(inputs_.input_device);
      const auto* fault = std::get_if<FileFault>(&opened);
      teller_->Heard(inputs_.input_device, fault);
      if (fault != nullptr) {
        retry = Clock::now() + inputs_.poll_period;
      } else {
        device = std::move(std::get<platform::posix::UniqueFd>(opened));
        stream = {};
        if (!debouncer) {
          level = SwitchesNow(device.get(), inputs_);
          debouncer.emplace(level, inputs_.debounce);
        }
      }
    }
    wait.Clear();
    const std::size_t place = wait.Watch(device.get(), POLLIN);
    const auto outcome =
        wait.Until(Earlier(retry, debouncer ? debouncer->Deadline() : std::nullopt));
    if (outcome == DescriptorWait::Outcome::kWoken || outcome == DescriptorWait::Outcome::kFailed) {
      return;
    }
    if (outcome == DescriptorWait::Outcome::kReady && wait.Ready(place) != 0) {
      std::array<std::byte, 64 * sizeof(input_event)> buffer;
      const auto read = platform::posix::Read(device.get(), buffer.data(), buffer.size());
      if (read.ok() && read.value > 0) {
        const SwitchEvents events =
            stream.Take(std::span(buffer).first(static_cast<std::size_t>(read.value)));
        for (const SwitchChange& change : events.changes) Apply(change, inputs_, level);
        if (events.dropped) level = SwitchesNow(device.get(), inputs_);
        debouncer->See(level, Clock::now());
      } else if (read.ok() || read.error != EAGAIN) {
        // The writer of a FIFO went, or the device was unplugged: open it afresh.
        device.reset();
      }
    }
    if (debouncer) {
      if (const auto settled = debouncer->Settled(Clock::now())) report_(*settled);
    }
  }
}

}  // namespace board_io
