#include "app/quorvane_dlg.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/ports/window_model.h"
#include "testing/console_fixture.h"

namespace {

using namespace console_testing;
namespace fs = std::filesystem;

TEST_F(ConsoleTest, StartUpShowsTheConsoleFullScreenWithNothingRunning) {
  Start();
  const platform::WindowState* window = platform::FindWindowState(dlg.m_hWnd);
  EXPECT_EQ(window->text, u"QUORVANE");
  EXPECT_EQ(window->placement.x, 0);
  EXPECT_EQ(window->placement.y, 0);
  EXPECT_EQ(window->placement.cx, 800);
  EXPECT_EQ(window->placement.cy, 480);
  EXPECT_NE(window->big_icon, nullptr);
  EXPECT_EQ(window->small_icon, window->big_icon);
  EXPECT_EQ(dlg.m_nComPort, 0);
  EXPECT_EQ(dlg.m_nEtcOnOff, 1);
  EXPECT_EQ(dlg.m_dwEtcIoctl, 0u);
  EXPECT_EQ(dlg.m_nMeterStep, 0);
  EXPECT_FALSE(dlg.m_bRwTestRunning);
  EXPECT_FALSE(dlg.m_bRwFileInDataStorage);
  EXPECT_EQ(LogText(), L"");
  for (HWND control : window->children) {
    EXPECT_FALSE(platform::FindWindowState(control)->checked);
  }
  EXPECT_EQ(fs::file_size(Volume("SDMMC") / "rwtest.txt"), 1024u);
  EXPECT_FALSE(fs::exists(Volume("DataStorage") / "rwtest.txt"));
  EXPECT_TRUE(front_end.message_boxes.empty());
  EXPECT_TRUE(Journal().empty());
}

TEST_F(ConsoleTest, WithoutAnSdCardTheConsoleStartsAllTheSame) {
  Start("[volumes]\nSDMMC = \"absent\"\n");
  EXPECT_EQ(platform::FindWindowState(dlg.m_hWnd)->text, u"QUORVANE");
  EXPECT_TRUE(front_end.message_boxes.empty());
  EXPECT_FALSE(fs::exists(Volume("SDMMC") / "rwtest.txt"));
}

TEST_F(ConsoleTest, ExitCommandEndsTheRunAndTheTestFilesGoWithIt) {
  PrepareBoard();
  fs::create_directories(Volume("DataStorage"));
  std::ofstream(Volume("DataStorage") / "rwtest.txt") << "moved";
  std::uintmax_t size_while_running = 0;
  loop.core()->Post([&] {
    size_while_running = fs::file_size(Volume("SDMMC") / "rwtest.txt");
    Command(IDC_BTN_EXIT);
  });
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(size_while_running, 1024u);
  EXPECT_EQ(dlg.m_hWnd, nullptr);
  EXPECT_FALSE(fs::exists(Volume("SDMMC") / "rwtest.txt"));
  EXPECT_FALSE(fs::exists(Volume("DataStorage") / "rwtest.txt"));
}

TEST_F(ConsoleTest, TheEmptyCommandsChangeNothing) {
  Start();
  dlg.AppendLog(L"before\r\n");
  for (int id : {1036, 1042, 1057}) Command(id);
  EXPECT_EQ(LogText(), L"before\r\n");
  EXPECT_EQ(dlg.m_nComPort, 0);
  EXPECT_EQ(dlg.m_nEtcOnOff, 1);
  EXPECT_TRUE(front_end.message_boxes.empty());
  EXPECT_TRUE(Journal().empty());
  EXPECT_TRUE(IsWindow(dlg.m_hWnd));
}

TEST_F(ConsoleTest, AppendLogFollowsTheCaretWhereverThePersonPutIt) {
  Start();
  dlg.AppendLog(L"COM2 CLOSE success \r\n");
  dlg.AppendLog(L"aaaaa w:3>");
  dlg.AppendLog(L"\r\ncom[2] recvdatasize:3\r\n");
  EXPECT_EQ(LogText(), L"COM2 CLOSE success \r\naaaaa w:3>\r\ncom[2] recvdatasize:3\r\n");
  // The technician selects "CLOSE" in the pane: the next append replaces it, later ones follow.
  dlg.m_editLog.SendMessage(EM_SETSEL, 5, 10);
  dlg.AppendLog(L"OPEN");
  dlg.AppendLog(L"!!");
  EXPECT_EQ(LogText(), L"COM2 OPEN!! success \r\naaaaa w:3>\r\ncom[2] recvdatasize:3\r\n");
}

TEST_F(ConsoleTest, IoSendMakesOneRequestAndLeavesTheDriverFree) {
  Start();
  dlg.IoSend(L"ETC1:", 2536, nullptr, 1, nullptr, 1, L"Navi IO Send CreateFile Error");
  DWORD value = 1;
  dlg.IoSend(L"ETC1:", 9125, &value, sizeof value, nullptr, 0, L"Navi IO Send CreateFile Error");
  const auto journal = Journal();
  ASSERT_EQ(journal.size(), 2u);
  EXPECT_EQ(journal[0]["device"], "ETC1:");
  EXPECT_EQ(journal[0]["code"], 2536);
  EXPECT_TRUE(journal[0]["input"].is_null());
  EXPECT_EQ(journal[0]["input_size"], 1);
  EXPECT_EQ(journal[0]["output_size"], 1);
  EXPECT_EQ(journal[1]["code"], 9125);
  EXPECT_EQ(journal[1]["input"], 1);
  EXPECT_EQ(journal[1]["input_size"], 4);
  EXPECT_EQ(journal[1]["output_size"], 0);
  EXPECT_TRUE(front_end.message_boxes.empty());
}

TEST_F(ConsoleTest, IoSendToAnAbsentDriverShowsTheCallersTextAndTheCallerGoesOn) {
  Start("[drivers]\nMTR1 = \"absent\"\n");
  DWORD value = 1;
  dlg.IoSend(L"MTR1:", 8029, &value, sizeof value, nullptr, 0, L"Navi IO Send CreateFile Error");
  dlg.AppendLog(L"after\r\n");
  ASSERT_EQ(front_end.message_boxes.size(), 1u);
  EXPECT_EQ(front_end.message_boxes[0].text, L"Navi IO Send CreateFile Error");
  EXPECT_EQ(front_end.message_boxes[0].caption, L"quorvane");
  EXPECT_EQ(front_end.message_boxes[0].owner, dlg.m_hWnd);
  EXPECT_EQ(LogText(), L"after\r\n");
  const auto journal = Journal();
  ASSERT_EQ(journal.size(), 1u);
  EXPECT_EQ(journal[0]["event"], "open refused");
}

TEST_F(ConsoleTest, TheMeterMessageAndOtherUnhandledMessagesPassThroughUnchanged) {
  Start();
  EXPECT_EQ(dlg.SendMessage(WM_USER + 630, 0, 1), 0);
  EXPECT_EQ(dlg.SendMessage(WM_USER + 77, 5, -5), 0);
  EXPECT_TRUE(IsWindow(dlg.m_hWnd));
}

}  // namespace
