#include "tools/unit_run/ssh_forward.h"

#include <sys/wait.h>

#include <algorithm>
#include <fstream>
#include <system_error>
#include <vector>

#include "sender/client.h"
#include "tools/unit_run/run_folders.h"
#include "tools/unit_run/tied_process.h"

namespace unit_run {

namespace {

using namespace std::chrono_literals;

// Long enough for a terminal's console to come up after the unit was cabled and powered.
constexpr auto kAnswerTimeout = 20s;
// Each try through a forward whose far end is not there yet makes ssh write a line.
constexpr auto kRetryPause = 100ms;
constexpr auto kForwardTermTimeout = 5s;
// ssh's last word is one line; this bounds what a chatty server can put in an error.
constexpr std::streamoff kTailBytes = 4096;
constexpr std::size_t kLongestWord = 240;

std::string HowItEnded(int status) {
  if (WIFEXITED(status)) return "with status " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return "by signal " + std::to_string(WTERMSIG(status));
  return "";
}

}  // namespace

std::optional<std::string> SshTargetRefusal(const SshTarget& target) {
  if (target.destination.empty() || target.destination.starts_with('-')) {
    return "the ssh destination \"" + target.destination + "\" is not USER@HOST";
  }
  // ssh reads the forward as LOCAL:REMOTE and resolves a relative path from wherever the
  // server runs, so only an absolute path without a colon names one socket.
  const std::string remote = target.remote_socket.string();
  if (!target.remote_socket.is_absolute() || remote.find(':') != std::string::npos) {
    return "the remote socket \"" + remote + "\" is not an absolute path without ':'";
  }
  return std::nullopt;
}

bool SshForward::Start(const SshTarget& target, const plan::StopRequest& stop, std::string& error) {
  const std::filesystem::path parent = TemporaryFolders();
  RemoveFoldersOfDeadRuns(parent);
  auto folder = MakeRunFolder(parent, error);
  if (!folder) return false;
  folder_ = *folder;
  if (socket().string().find(':') != std::string::npos) {
    error = "ssh cannot forward from " + socket().string() + ": its path holds a ':'";
    return false;
  }
  std::vector<std::string> args = {
      "ssh", "-N", "-L", socket().string() + ":" + target.remote_socket.string(),
      // Never a question on the station, no forward half made, a socket file a killed ssh left
      // is taken over, and no connection shared with another ssh that this one's end would cut.
      "-o", "BatchMode=yes", "-o", "ExitOnForwardFailure=yes", "-o", "StreamLocalBindUnlink=yes",
      "-o", "ControlMaster=no", "-o", "ControlPath=none"};
  if (!target.config.empty()) args.insert(args.end(), {"-F", target.config.string()});
  args.insert(args.end(), {"--", target.destination});
  pid_ = StartTiedProcess(std::move(args), OwnEnvironment(), folder_ / "ssh.out",
                          folder_ / "ssh.err", error);
  if (pid_ < 0) return false;
  const std::string through = " through ssh to " + target.destination;
  const auto give_up = std::chrono::steady_clock::now() + kAnswerTimeout;
  while (!sender::ConsoleAnswers(socket())) {
    if (int status = 0; ReapedWithin(pid_, 0ms, &status)) {
      pid_ = -1;
      const std::string words = LastWords();
      error = "ssh to " + target.destination + " ended " + HowItEnded(status) +
              " before the console answered" + (words.empty() ? "" : ": " + words);
      return false;
    }
    if (std::chrono::steady_clock::now() > give_up) {
      const std::string words = LastWords();
      error = "the console at " + target.remote_socket.string() + " did not answer" + through +
              " within " + std::to_string(kAnswerTimeout.count()) + " s" +
              (words.empty() ? "" : "; ssh: " + words);
      return false;
    }
    if (!stop.SleepFor(kRetryPause)) {
      error = "stopped before the console answered" + through;
      return false;
    }
  }
  return true;
}

std::string SshForward::LastWords() const {
  std::ifstream err(folder_ / "ssh.err", std::ios::binary | std::ios::ate);
  const std::streamoff size = err ? static_cast<std::streamoff>(err.tellg()) : 0;
  std::string tail(static_cast<std::size_t>(std::min(size, kTailBytes)), '\0');
  err.seekg(size - static_cast<std::streamoff>(tail.size()));
  err.read(tail.data(), static_cast<std::streamsize>(tail.size()));
  while (!tail.empty() && (tail.back() == '\n' || tail.back() == '\r')) tail.pop_back();
  std::string word = tail.substr(tail.find_last_of('\n') + 1);
  if (word.size() > kLongestWord) word = word.substr(0, kLongestWord) + "...";
  // What the server sent may hold anything; the operator's terminal gets no control bytes.
  std::replace_if(
      word.begin(), word.end(),
      [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }, '?');
  return word;
}

void SshForward::End() {
  if (pid_ > 0) {
    EndTiedProcess(pid_, kForwardTermTimeout);
    pid_ = -1;
  }
  if (!folder_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    folder_.clear();
  }
}

SshForward::~SshForward() { End(); }

}  // namespace unit_run
