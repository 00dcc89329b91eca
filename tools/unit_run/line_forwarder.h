// Forwarding from a station's SQLite store to the line's database on a thread of its own, so that
// the station never waits for the network: it looks for unforwarded runs every little while,
// forwards them in order when the server answers, and backs off (boundedly) when it does not.
// Each kind of fault is told once, one line on standard error, until the server answers again.
// At the end it is given a short, bounded time to forward what is left; whatever is still
// unforwarded then stays marked so in the store for the next start or `quorvane-results forward`.
#pragma once

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "results/line_db.h"
#include "tools/unit_run/run_store.h"

namespace unit_run {

struct ForwarderOptions {
  results::LineTimeouts timeouts;
  std::chrono::milliseconds look_every{250};  // how often it looks for a newly stored run
  std::chrono::milliseconds first_backoff{250}, longest_backoff{4000};
  std::chrono::milliseconds grace{3000};  // what it is given at the end
  // Where its lines go: standard error, after `program`'s name, unless a test listens.
  std::function<void(const std::string&)> tell;
};

class LineForwarder {
 public:
  // Starts forwarding from `store` to the server `conninfo` names; `program` begins its lines.
  LineForwarder(std::filesystem::path store, std::string conninfo, const std::string& program,
                ForwarderOptions options = {});
  LineForwarder(const LineForwarder&) = delete;
  LineForwarder& operator=(const LineForwarder&) = delete;
  // Gives forwarding its grace, then ends it.
  ~LineForwarder();

 private:
  void Forward();
  // Waits `how_long` (cut short by the end's deadline); false once the end has come.
  bool Wait(std::chrono::milliseconds how_long);
  bool PastDeadline();

  const std::filesystem::path store_;
  const std::string conninfo_;
  ForwarderOptions options_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::optional<std::chrono::steady_clock::time_point> deadline_;  // set once the end has come
  std::thread thread_;
};

// Forwarding for the plan tool or the station when `place` names a line database and a store.
std::optional<LineForwarder> StartForwarding(const RecordsPlace& place, const std::string& program);

}  // namespace unit_run
