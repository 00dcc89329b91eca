#include "tools/unit_run/simulated_console.h"

#include <unistd.h>

#include <nlohmann/json.hpp>

#include <chrono>
#include <vector>

#include "plan/plan_reader.h"
#include "platform/ports/sandbox_location.h"
#include "sender/client.h"
#include "sender/protocol.h"
#include "tools/unit_run/tied_process.h"

namespace unit_run {

namespace {

using namespace std::chrono_literals;

constexpr auto kStartTimeout = 20s;
constexpr auto kCloseTimeout = 10s;
constexpr auto kTermTimeout = 5s;
// The bench starts with the console; its instruments listen within moments.
constexpr auto kBenchTimeout = 10s;
constexpr std::size_t kMostBenchBytes = 64 * 1024;

}  // namespace

std::filesystem::path FindConsole(const std::filesystem::path& self) {
  std::error_code ignored;
  const std::filesystem::path here = std::filesystem::canonical(self, ignored).parent_path();
  for (const auto& candidate : {here / "../../ui/quorvane", here / "quorvane"}) {
    if (::access(candidate.c_str(), X_OK) == 0) return candidate.lexically_normal();
  }
  return "quorvane";
}

std::filesystem::path SimulatedConsole::socket() const {
  return platform::ConsoleSocketIn(sandbox());
}

bool SimulatedConsole::MakeFolder(std::string& error) {
  const std::filesystem::path parent = TemporaryFolders();
  RemoveFoldersOfDeadRuns(parent);
  auto folder = MakeRunFolder(parent, error);
  if (!folder) return false;
  folder_ = *folder;
  return true;
}

void SimulatedConsole::Keep() {
  keep_ = true;
  if (!folder_.empty()) UnmarkRunFolder(folder_);
}

bool SimulatedConsole::Start(const std::filesystem::path& program,
                             const std::optional<std::filesystem::path>& board,
                             const plan::StopRequest& stop, std::string& error) {
  std::vector<std::string> args = {program.string(), "--headless", "--sandbox", sandbox().string()};
  if (board) args.insert(args.end(), {"--board", board->string()});
  // Only the board the plan names counts, never one the environment names.
  std::vector<std::string> environment = OwnEnvironment();
  std::erase_if(environment,
                [](const std::string& entry) { return entry.starts_with("QUORVANE_BOARD="); });
  const std::string err = (folder_ / "console.err").string();
  pid_ = StartTiedProcess(std::move(args), std::move(environment), folder_ / "console.out", err,
                          error);
  if (pid_ < 0) return false;
  const auto give_up = std::chrono::steady_clock::now() + kStartTimeout;
  while (!sender::ConsoleAnswers(socket())) {
    if (Ended(0ms)) {
      error = "the console ended at start-up; its standard error is in " + err;
      Keep();
      return false;
    }
    if (std::chrono::steady_clock::now() > give_up) {
      error = "the console's socket did not answer within 20 s";
      return false;
    }
    if (!stop.SleepFor(10ms)) {
      error = "stopped before the console answered";
      return false;
    }
  }
  return true;
}

std::optional<std::map<std::string, std::string>> SimulatedConsole::WaitForBench(
    const plan::StopRequest& stop, std::string& error) const {
  const std::filesystem::path file = sandbox() / "bench.json";
  const auto give_up = std::chrono::steady_clock::now() + kBenchTimeout;
  for (;;) {
    std::error_code absent;
    if (std::filesystem::exists(file, absent)) {
      try {
        // Written whole by a rename, or read again below until it is.
        const auto bench = nlohmann::json::parse(plan::ReadWholeFile(file, kMostBenchBytes));
        std::map<std::string, std::string> addresses;
        for (const auto& [role, address] : bench.items()) {
          addresses.emplace(role, address.get<std::string>());
        }
        return addresses;
      } catch (const std::exception& unreadable) {  // PlanError, nlohmann::json's errors
        error = file.string() + ": " + unreadable.what();
      }
    }
    if (std::chrono::steady_clock::now() > give_up) {
      if (error.empty()) error = "the simulated terminal's bench did not start within 10 s";
      return std::nullopt;
    }
    if (!stop.SleepFor(50ms)) {
      error = "stopped before the simulated bench started";
      return std::nullopt;
    }
  }
}

bool SimulatedConsole::Ended(std::chrono::milliseconds timeout) {
  if (!ReapedWithin(pid_, timeout)) return false;
  pid_ = -1;
  return true;
}

void SimulatedConsole::End() {
  if (pid_ <= 0) return;
  const auto line = sender::EncodeRequest({sender::CommandRequest{1006}, sender::Delivery::Queued});
  // A console that did not take the request (one stopped before it answered) is not waited for.
  const bool asked = sender::Exchange(socket(), std::get<std::string>(line), 5s).status ==
                     sender::ExchangeStatus::Replied;
  if (asked && Ended(kCloseTimeout)) return;
  EndTiedProcess(pid_, kTermTimeout);
  pid_ = -1;
}

SimulatedConsole::~SimulatedConsole() {
  End();
  if (!keep_ && !folder_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
}

}  // namespace unit_run
