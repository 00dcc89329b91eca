#include "platform/ports/session_events.h"

#include <array>
#include <atomic>
#include <mutex>
#include <thread>

namespace platform {

namespace {

// Every call passes through here, on the serial watch thread and the user-interface thread alike,
// so it takes no lock: the observers sit in fixed places, and each call counts itself in one of
// two tallies while it runs. Taking an observer away empties its place, then switches the tally
// new calls count in and waits for the other to drain, twice over: a call that might have seen
// the observer counted itself in one of the two before the place was emptied, and has returned
// once both have drained. New calls never hold the wait up, as they count in the other tally.
class Observers final : public SessionEvents {
 public:
  bool Add(SessionEvents* events) {
    std::lock_guard lock(changing_);
    for (auto& place : places_) {
      if (place.load() != nullptr) continue;
      place.store(events);
      installed_.fetch_add(1);
      return true;
    }
    return false;
  }

  void Remove(SessionEvents* events) {
    std::lock_guard lock(changing_);
    int removed = 0;
    for (auto& place : places_) {
      if (place.load() != events) continue;
      place.store(nullptr);
      ++removed;
    }
    if (removed == 0) return;
    installed_.fetch_sub(removed);
    for (int round = 0; round < 2; ++round) {
      const unsigned draining = generation_.fetch_add(1) % 2;
      while (inside_[draining].count.load() != 0) std::this_thread::yield();
    }
  }

  bool AnyInstalled() const { return installed_.load(std::memory_order_acquire) != 0; }

  void SerialBlock(std::string_view port, SerialDirection direction,
                   std::span<const std::byte> bytes) override {
    Each([&](SessionEvents& events) { events.SerialBlock(port, direction, bytes); });
  }
  void DriverRequest(const DriverRequestEvent& request) override {
    Each([&](SessionEvents& events) { events.DriverRequest(request); });
  }
  void PaneText(int control_id, PaneChange change, std::u16string_view text) override {
    Each([&](SessionEvents& events) { events.PaneText(control_id, change, text); });
  }
  void MessageBox(std::wstring_view text, std::wstring_view caption, int answer) override {
    Each([&](SessionEvents& events) { events.MessageBox(text, caption, answer); });
  }
  void OutsideRequest(std::string_view verb, std::span<const RequestArgument> arguments) override {
    Each([&](SessionEvents& events) { events.OutsideRequest(verb, arguments); });
  }

 private:
  template <typename Call>
  void Each(const Call& call) {
    Tally& tally = inside_[generation_.load() % 2];
    tally.count.fetch_add(1);
    for (auto& place : places_) {
      if (SessionEvents* const events = place.load()) call(*events);
    }
    tally.count.fetch_sub(1);
  }

  // Apart from the places, which calls only read, and from each other.
  struct alignas(64) Tally {
    std::atomic<int> count{0};
  };

  std::array<std::atomic<SessionEvents*>, kMostSessionObservers> places_{};
  std::atomic<int> installed_{0};
  alignas(64) std::atomic<unsigned> generation_{0};
  std::array<Tally, 2> inside_;
  std::mutex changing_;  // one addition or removal at a time
};

Observers& InstalledObservers() {
  static Observers observers;
  return observers;
}

}  // namespace

bool AddSessionEvents(SessionEvents* events) { return InstalledObservers().Add(events); }

void RemoveSessionEvents(SessionEvents* events) { InstalledObservers().Remove(events); }

SessionEvents* CurrentSessionEvents() {
  Observers& observers = InstalledObservers();
  return observers.AnyInstalled() ? &observers : nullptr;
}

}  // namespace platform
