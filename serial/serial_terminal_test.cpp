// The serial terminal's handlers as the technician meets them: what each press logs and writes,
// and how received blocks are shown.
#include <gtest/gtest.h>

#include <cstring>

#include "testing/console_fixture.h"

namespace {

using namespace console_testing;

class ReceiveTest : public ConsoleTest {
 protected:
  void SetUp() override { Start(); }

  // A block as the watch thread hands it over: at the start of the receive buffer.
  void Receive(const std::string& block, int port = 2) {
    std::memcpy(dlg.m_com.m_abyRecvBuf, block.data(), block.size());
    dlg.SendMessage(WM_COMM_READ, block.size(), port);
  }
};

TEST_F(ReceiveTest, ACommandLineFromTheModemPortIsMarkedBeforeItsText) {
  Receive("AT\r");
  EXPECT_EQ(LogText(), L"aaaaa w:3>\r\ncom[2] recvdatasize:3\r\n>>Find AT COMMAND!!\r\nAT\r\r\n");
}

TEST_F(ReceiveTest, OnlyBlocksThatBeginWithACommandLineGetAMark) {
  Receive("ATH\r\n", 1);
  EXPECT_EQ(LogText(), L"\r\ncom[1] recvdatasize:5\r\n\r\n>>Find ATH COMMAND!!\r\n\r\nATH\r\n\r\n");
  SetWindowTextW(dlg.m_editLog.m_hWnd, L"");
  Receive("+++\r", 1);
  EXPECT_EQ(LogText(), L"\r\ncom[1] recvdatasize:4\r\n\r\n>>Find +++ COMMAND!!\r\n\r\n+++\r\r\n");
  SetWindowTextW(dlg.m_editLog.m_hWnd, L"");
  Receive("AT\r\r", 1);  // both places hold a carriage return: each is tested for its own marks
  EXPECT_EQ(LogText(), L"\r\ncom[1] recvdatasize:4\r\n>>Find AT COMMAND!!\r\nAT\r\r\r\n");
  for (const char* unmarked : {"at\r", "+++", "\r\nOK\r\n", "\nAT\r", "XAT\r"}) {
    SetWindowTextW(dlg.m_editLog.m_hWnd, L"");
    Receive(unmarked, 1);
    EXPECT_EQ(LogText().find(L">>Find"), std::wstring::npos) << unmarked;
  }
}

TEST_F(ReceiveTest, HighBytesWidenAsSignedAndANulEndsWhatIsShown) {
  Receive(std::string("\xB0"
                      "A\0B",
                      4),
          3);
  EXPECT_EQ(LogText(), L"\r\ncom[3] recvdatasize:4\r\n\uFFB0A\r\n");
}

TEST_F(ReceiveTest, ACountBeyondTheReceiveBufferIsNeverTrusted) {
  std::memset(dlg.m_com.m_abyRecvBuf, 'x', CCom::kRecvBufSize);
  dlg.SendMessage(WM_COMM_READ, 100000, 1);
  const std::wstring expected =
      L"\r\ncom[1] recvdatasize:3048\r\n" + std::wstring(CCom::kRecvBufSize, L'x') + L"\r\n";
  EXPECT_EQ(LogText(), expected);
}

TEST_F(ConsoleTest, TheRadioButtonsOnlyChooseTheNumber) {
  Start();
  const std::pair<int, int> choices[] = {
      {IDC_RADIO_COM1, 1}, {IDC_RADIO_COM2, 2}, {IDC_RADIO_COM3, 3},     {IDC_RADIO_COM4, 4},
      {IDC_RADIO_COM5, 5}, {IDC_RADIO_COM6, 6}, {IDC_RADIO_COM_NONE, 10}};
  for (const auto& [id, number] : choices) {
    Command(id);
    EXPECT_EQ(dlg.m_nComPort, number);
  }
  EXPECT_EQ(LogText(), L"");
  EXPECT_TRUE(Journal().empty());
}

TEST_F(ConsoleTest, OpenAndCloseDoNothingUntilAPortIsChosen) {
  Start();
  Command(IDC_BTN_OPEN);
  Command(IDC_BTN_CLOSE);
  Command(IDC_RADIO_COM_NONE);
  Command(IDC_BTN_OPEN);
  Command(IDC_BTN_CLOSE);
  EXPECT_EQ(LogText(), L"");
  EXPECT_TRUE(Journal().empty());
  EXPECT_TRUE(front_end.message_boxes.empty());
}

TEST_F(ConsoleTest, SendWithNoPortChosenStillLogsItsWrite) {
  Start();
  Command(IDC_BTN_SEND);
  EXPECT_EQ(LogText(), L"COM0 write21 \r\n");
}

TEST_F(ConsoleTest, CloseLogsItsLineEveryTime) {
  Start();
  Command(IDC_RADIO_COM4);
  Command(IDC_BTN_CLOSE);
  Command(IDC_BTN_CLOSE);
  EXPECT_EQ(LogText(), L"COM4 closed success \r\nCOM4 closed success \r\n");
}

}  // namespace
