#include "framework/cwinthread.h"

#include <gtest/gtest.h>

#include <atomic>

#include "platform/terminal/window.h"
#include "testing/test_dialog.h"

namespace {

struct WorkerInput {
  HWND window;
  std::atomic<LRESULT> answer{0};
};

UINT SendToWindow(LPVOID param) {
  auto* input = static_cast<WorkerInput*>(param);
  input->answer = SendMessageW(input->window, WM_USER + 1, 3, 2);
  return 7;
}

TEST(CWinThread, AWorkerRunsItsFunctionAndHandsBackTheExitCode) {
  UINT value = 5;
  auto thread =
      AfxBeginThread([](LPVOID param) -> UINT { return *static_cast<UINT*>(param) + 1; }, &value);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(thread->Join(), 6u);
  EXPECT_TRUE(thread->HasEnded());
}

TEST(CWinThread, JoiningOnTheUserInterfaceThreadLetsAWorkerBlockedInSendMessageFinish) {
  platform::VirtualClock clock;
  platform::MessageLoop loop(clock);
  testing_support::RecordingProcedure procedure;
  procedure.answer = 9;
  HWND dialog = platform::CreateDialogFromTemplate(testing_support::SmallDialogTemplate(), nullptr,
                                                   &procedure);
  procedure.received.clear();
  PostMessageW(dialog, WM_USER + 5, 0, 0);

  WorkerInput input{dialog};
  auto thread = AfxBeginThread(SendToWindow, &input);
  EXPECT_EQ(thread->Join(), 7u);  // would deadlock if the join did not handle the sent message
  EXPECT_EQ(input.answer.load(), 9);
  ASSERT_EQ(procedure.received.size(), 1u);
  EXPECT_EQ(procedure.received[0].message, WM_USER + 1);

  // Only the sent message ran during the join; the posted one waits for the loop.
  loop.DispatchReady();
  ASSERT_EQ(procedure.received.size(), 2u);
  EXPECT_EQ(procedure.received[1].message, WM_USER + 5);
  DestroyWindow(dialog);
}

}  // namespace
