#include "tools/unit_run/line_forwarder.h"

#include <cstdio>
#include <set>

#include "results/line_forward.h"
#include "results/line_schema.h"

namespace unit_run {

namespace {

// Tells each kind of fault once for as long as it lasts: a server away for an hour is one line,
// not one per retry.
class FaultTeller {
 public:
  explicit FaultTeller(const std::function<void(const std::string&)>& tell) : tell_(tell) {}
  void Tell(int kind, const std::string& what) {
    if (told_.insert(kind).second) {
      tell_(what + "; the runs stay in the station's store and are forwarded once it answers");
    }
  }
  void Answered() { told_.clear(); }

 private:
  const std::function<void(const std::string&)>& tell_;
  std::set<int> told_;
};

// The store's own faults, told apart from the server's.
constexpr int kStoreFault = -1;

}  // namespace

LineForwarder::LineForwarder(std::filesystem::path store, std::string conninfo,
                             const std::string& program, ForwarderOptions options)
    : store_(std::move(store)), conninfo_(std::move(conninfo)), options_(std::move(options)) {
  if (!options_.tell) {
    options_.tell = [program](const std::string& line) {
      const std::string text = program + ": " + line + "\n";
      std::fwrite(text.data(), 1, text.size(), stderr);  // one write, whole, beside other threads
    };
  }
  thread_ = std::thread([this] { Forward(); });
}

LineForwarder::~LineForwarder() {
  {
    std::lock_guard lock(mutex_);
    deadline_ = std::chrono::steady_clock::now() + options_.grace;
  }
  changed_.notify_all();
  thread_.join();
}

bool LineForwarder::PastDeadline() {
  std::lock_guard lock(mutex_);
  return deadline_ && std::chrono::steady_clock::now() >= *deadline_;
}

bool LineForwarder::Wait(std::chrono::milliseconds how_long) {
  std::unique_lock lock(mutex_);
  const auto until = std::chrono::steady_clock::now() + how_long;
  const bool ending = deadline_.has_value();
  // Woken early only by the end's coming, to use its grace at once.
  changed_.wait_until(lock, ending ? std::min(until, *deadline_) : until,
                      [&] { return deadline_.has_value() != ending; });
  return !deadline_ || std::chrono::steady_clock::now() < *deadline_;
}

void LineForwarder::Forward() {
  FaultTeller teller(options_.tell);
  std::optional<results::ResultsStore> store;
  std::optional<results::LineConnection> line;
  auto backoff = options_.first_backoff;
  while (!PastDeadline()) {
    try {
      if (!store) store.emplace(store_);
      if (!results::UnforwardedRuns(*store).empty()) {
        if (!line) {
          line.emplace(conninfo_, options_.timeouts);
          results::MigrateLine(*line, results::LineMigrations());
        }
        results::ForwardPending(*store, *line, [this] { return !PastDeadline(); });
        teller.Answered();
        backoff = options_.first_backoff;
        continue;  // runs stored meanwhile go at once
      }
      {
        std::lock_guard lock(mutex_);
        if (deadline_) break;  // nothing left to forward
      }
      if (!Wait(options_.look_every)) break;
      continue;
    } catch (const results::LineDbError& fault) {
      line.reset();
      teller.Tell(static_cast<int>(fault.fault()), fault.what());
    } catch (const results::StoreError& fault) {
      store.reset();
      teller.Tell(kStoreFault, fault.what());
    }
    if (!Wait(backoff)) break;
    backoff = std::min(backoff * 2, options_.longest_backoff);
  }
  try {
    if (!store) store.emplace(store_);
    if (const auto left = results::UnforwardedRuns(*store).size()) {
      options_.tell(std::to_string(left) + " run(s) not yet in the line database stay in " +
                    store_.string() + ": the next start or `quorvane-results forward --store " +
                    store_.string() + " --line-db CONNINFO` forwards them");
    }
  } catch (const results::StoreError&) {  // told above already
  }
}

std::optional<LineForwarder> StartForwarding(const RecordsPlace& place,
                                             const std::string& program) {
  if (place.line_db.empty() || place.store.empty()) return std::nullopt;
  return std::optional<LineForwarder>(std::in_place, place.store, place.line_db, program);
}

}  // namespace unit_run
