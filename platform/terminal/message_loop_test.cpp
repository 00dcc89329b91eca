#include "platform/terminal/message_loop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/terminal/window.h"
#include "testing/recording_front_end.h"
#include "testing/test_dialog.h"

namespace {

using namespace std::chrono_literals;
using platform::Milliseconds;
using testing_support::RecordingProcedure;

// A dialog on a virtual clock whose timer ticks are noted with the virtual time they came at.
class LoopTest : public ::testing::Test {
 protected:
  struct Tick {
    UINT_PTR id;
    long long at_ms;
  };

  class TickingProcedure final : public platform::WindowProcedure {
   public:
    explicit TickingProcedure(LoopTest& test) : test_(test) {}
    LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override {
      if (message == WM_TIMER) {
        test_.ticks.push_back({wParam, test_.clock.Now().time_since_epoch().count()});
        if (test_.on_tick) test_.on_tick(hwnd, wParam);
        return 0;
      }
      return DefWindowProcW(hwnd, message, wParam, lParam);
    }

   private:
    LoopTest& test_;
  };

  void SetUp() override {
    dialog = platform::CreateDialogFromTemplate(testing_support::SmallDialogTemplate(), nullptr,
                                                &procedure);
    ASSERT_NE(dialog, nullptr);
  }
  void TearDown() override { DestroyWindow(dialog); }

  platform::VirtualClock clock;
  platform::MessageLoop loop{clock};
  TickingProcedure procedure{*this};
  HWND dialog = nullptr;
  std::vector<Tick> ticks;
  std::function<void(HWND, UINT_PTR)> on_tick;
};

TEST_F(LoopTest, OneShotTimersHandOverToEachOtherAtTheirVirtualTimes) {
  // Each tick stops its own timer and sets the next, as the console's timer chains do.
  on_tick = [](HWND hwnd, UINT_PTR id) {
    KillTimer(hwnd, id);
    if (id == 20) SetTimer(hwnd, 23, 1000, nullptr);
    if (id == 23) SetTimer(hwnd, 21, 10000, nullptr);
  };
  SetTimer(dialog, 20, 100, nullptr);
  loop.AdvanceBy(20s);
  ASSERT_EQ(ticks.size(), 3u);
  EXPECT_EQ(ticks[0].id, 20u);
  EXPECT_EQ(ticks[0].at_ms, 100);
  EXPECT_EQ(ticks[1].id, 23u);
  EXPECT_EQ(ticks[1].at_ms, 1100);
  EXPECT_EQ(ticks[2].id, 21u);
  EXPECT_EQ(ticks[2].at_ms, 11100);
  EXPECT_EQ(clock.Now().time_since_epoch().count(), 20000);
}

TEST_F(LoopTest, PeriodicTimerTicksUntilKilledAndSettingItAgainRestartsIt) {
  SetTimer(dialog, 2, 1000, nullptr);
  loop.AdvanceBy(3500ms);
  EXPECT_EQ(ticks.size(), 3u);
  SetTimer(dialog, 2, 1000, nullptr);  // at 3500: the next tick comes at 4500, not 4000
  loop.AdvanceBy(1200ms);
  ASSERT_EQ(ticks.size(), 4u);
  EXPECT_EQ(ticks[3].at_ms, 4500);
  EXPECT_TRUE(KillTimer(dialog, 2));
  loop.AdvanceBy(5s);
  EXPECT_EQ(ticks.size(), 4u);
  EXPECT_FALSE(KillTimer(dialog, 2));
}

TEST_F(LoopTest, SleepInAHandlerHoldsOtherTimersBackUntilItReturns) {
  on_tick = [](HWND hwnd, UINT_PTR id) {
    KillTimer(hwnd, id);
    if (id == 23) Sleep(3000);
  };
  SetTimer(dialog, 23, 1000, nullptr);
  SetTimer(dialog, 10, 2000, nullptr);
  loop.AdvanceBy(10s);
  ASSERT_EQ(ticks.size(), 2u);
  EXPECT_EQ(ticks[0].id, 23u);
  EXPECT_EQ(ticks[1].id, 10u);
  EXPECT_EQ(ticks[1].at_ms, 4000);  // due at 2000, handled once the pause ended
}

TEST_F(LoopTest, AMessageBoxKeepsTimersTickingWhileItIsOpen) {
  testing_support::RecordingFrontEnd front_end;
  // The box stays open for five virtual seconds before the person answers it.
  front_end.answer = [this](const testing_support::ShownMessageBox&,
                            std::function<void(int)> dismiss) {
    EXPECT_FALSE(IsWindowEnabled(dialog));  // no input while the box is open
    loop.AdvanceBy(5s);
    dismiss(IDOK);
  };
  on_tick = [this](HWND hwnd, UINT_PTR id) {
    if (id == 23) {
      KillTimer(hwnd, id);
      MessageBoxW(dialog, L"Navi IO Send CreateFile Error", L"quorvane", MB_OK);
    }
  };
  SetTimer(dialog, 23, 1000, nullptr);
  SetTimer(dialog, 2, 1000, nullptr);
  loop.AdvanceBy(1s);
  ASSERT_EQ(front_end.message_boxes.size(), 1u);
  EXPECT_TRUE(IsWindowEnabled(dialog));
  // Timer 2 ticked at 1000 and then every second inside the box's own loop.
  int storage_ticks = 0;
  for (const Tick& tick : ticks) storage_ticks += tick.id == 2 ? 1 : 0;
  EXPECT_GE(storage_ticks, 5);
}

TEST_F(LoopTest, SendFromAnotherThreadWaitsForTheHandlerAndGetsItsResult) {
  RecordingProcedure recorder;
  recorder.answer = 42;
  HWND other = platform::CreateDialogFromTemplate(testing_support::SmallDialogTemplate(), nullptr,
                                                  &recorder);
  recorder.received.clear();
  std::atomic<LRESULT> result{0};
  std::thread sender([&] { result = SendMessageW(other, WM_USER + 630, 7, -1); });
  ASSERT_TRUE(loop.RunUntilOrTimeout([&] { return !recorder.received.empty(); }, 10s));
  sender.join();
  EXPECT_EQ(result.load(), 42);
  ASSERT_FALSE(recorder.received.empty());
  EXPECT_EQ(recorder.received.back().message, WM_USER + 630);
  EXPECT_EQ(recorder.received.back().lParam, -1);
  DestroyWindow(other);
}

TEST_F(LoopTest, PostedMessagesArriveInOrderAfterSentOnes) {
  RecordingProcedure recorder;
  HWND other = platform::CreateDialogFromTemplate(testing_support::SmallDialogTemplate(), nullptr,
                                                  &recorder);
  recorder.received.clear();
  PostMessageW(other, WM_USER + 1, 1, 0);
  PostMessageW(other, WM_USER + 2, 2, 0);
  std::thread sender([&] { SendMessageW(other, WM_USER + 3, 3, 0); });
  ASSERT_TRUE(loop.RunUntilOrTimeout([&] { return recorder.received.size() == 3; }, 10s));
  sender.join();
  // The posted pair keeps its order; the sent one may come before them, never between them.
  std::vector<UINT> posted;
  for (const auto& message : recorder.received) {
    if (message.message != WM_USER + 3) posted.push_back(message.message);
  }
  EXPECT_EQ(posted, (std::vector<UINT>{WM_USER + 1, WM_USER + 2}));
  DestroyWindow(other);
}

TEST(LoopLifetime, ASenderWaitingOnALoopThatEndsIsReleased) {
  platform::VirtualClock clock;
  auto loop = std::make_unique<platform::MessageLoop>(clock);
  auto core = loop->core();
  std::atomic<bool> ran{true};
  std::thread sender([&] { ran = core->Send([] {}); });
  // Ending the loop without ever running it: the sender must come back, told nothing ran
  // (whether its task was already queued or not).
  std::this_thread::sleep_for(10ms);
  loop.reset();
  sender.join();
  EXPECT_FALSE(ran.load());
  EXPECT_FALSE(core->Post([] {}));
}

TEST(LoopLifetime, RunUntilOrTimeoutGivesUpInsteadOfHanging) {
  platform::MonotonicClock clock;
  platform::MessageLoop loop(clock);
  EXPECT_FALSE(loop.RunUntilOrTimeout([] { return false; }, 50ms));
}

}  // namespace
