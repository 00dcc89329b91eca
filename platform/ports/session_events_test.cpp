#include "platform/ports/session_events.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <future>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Counts what it hears; a call can be made to wait inside it until the test lets it go.
class CountingObserver final : public platform::SessionEvents {
 public:
  void SerialBlock(std::string_view, platform::SerialDirection,
                   std::span<const std::byte>) override {
    ++heard;
    if (hold_calls) {
      entered.set_value();
      let_go.wait();
    }
  }
  void DriverRequest(const platform::DriverRequestEvent&) override { ++heard; }
  void PaneText(int, platform::PaneChange, std::u16string_view) override { ++heard; }
  void MessageBox(std::wstring_view, std::wstring_view, int) override { ++heard; }
  void OutsideRequest(std::string_view, std::span<const platform::RequestArgument>) override {
    ++heard;
  }

  std::atomic<int> heard{0};
  bool hold_calls = false;
  std::promise<void> entered;
  std::shared_future<void> let_go;
};

void TellEveryKind() {
  platform::SessionEvents* const events = platform::CurrentSessionEvents();
  ASSERT_NE(events, nullptr);
  const std::byte block[1] = {std::byte{'a'}};
  events->SerialBlock("COM1", platform::SerialDirection::kReceived, block);
  events->DriverRequest({});
  events->PaneText(1010, platform::PaneChange::kInserted, u"OK");
  events->MessageBox(L"text", L"caption", 1);
  events->OutsideRequest("mark", {});
}

TEST(SessionEventsTest, EveryObserverHearsEachEventUntilItIsTakenAway) {
  EXPECT_EQ(platform::CurrentSessionEvents(), nullptr);
  std::array<CountingObserver, platform::kMostSessionObservers + 1> observers;
  for (int index = 0; index < platform::kMostSessionObservers; ++index) {
    EXPECT_TRUE(platform::AddSessionEvents(&observers[index]));
  }
  EXPECT_FALSE(platform::AddSessionEvents(&observers.back())) << "all places are taken";
  TellEveryKind();
  platform::RemoveSessionEvents(&observers[1]);
  TellEveryKind();
  EXPECT_EQ(observers[0].heard, 10);
  EXPECT_EQ(observers[1].heard, 5);
  EXPECT_EQ(observers.back().heard, 0);
  EXPECT_TRUE(platform::AddSessionEvents(&observers.back())) << "a place was given back";
  for (auto& observer : observers) platform::RemoveSessionEvents(&observer);
  EXPECT_EQ(platform::CurrentSessionEvents(), nullptr);
}

// The observer's owner may destroy it once its removal returns: a call in flight on another
// thread (the serial watch thread's) has returned by then.
TEST(SessionEventsTest, RemovalReturnsOnlyOnceACallInFlightHasReturned) {
  CountingObserver held;
  std::promise<void> release;
  held.let_go = release.get_future().share();
  held.hold_calls = true;
  ASSERT_TRUE(platform::AddSessionEvents(&held));
  std::thread watch([] {
    const std::byte block[1] = {std::byte{'a'}};
    platform::CurrentSessionEvents()->SerialBlock("COM1", platform::SerialDirection::kReceived,
                                                  block);
  });
  held.entered.get_future().wait();
  auto removal = std::async(std::launch::async, [&] { platform::RemoveSessionEvents(&held); });
  EXPECT_EQ(removal.wait_for(100ms), std::future_status::timeout);
  release.set_value();
  removal.wait();
  watch.join();
  EXPECT_EQ(platform::CurrentSessionEvents(), nullptr);
}

}  // namespace
