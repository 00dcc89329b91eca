// The EAS read on the simulated terminal, with the channels from the board profile and the serial
// line checked at COM1's far end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/console_fixture.h"
#include "testing/tty_end.h"

namespace {

using namespace console_testing;

class EasReadTest : public ConsoleTest {
 protected:
  // The console with COM1 open and a reader at its far end.
  void StartWithCom1(const std::string& profile) {
    Start(profile);
    far_end_ = std::make_unique<testing_support::TtyEnd>(Sandbox() / "tty" / "COM1");
    Command(IDC_RADIO_COM1);
    Command(IDC_BTN_OPEN);
    log_before_ = LogText();
    front_end.message_boxes.clear();
  }

  std::unique_ptr<testing_support::TtyEnd> far_end_;
  std::wstring log_before_;
};

TEST_F(EasReadTest, SixLinesInHexAndChannelsFiveToSevenOnTheSerialLine) {
  StartWithCom1("[drivers.EAS1]\ndriver = \"sim\"\n"
                "eas_channels = [0x1a, 0, 0xFFFFFFFF, 4, 5, 6, 0x7abc, 8, 9, 10, 11, 0xC0FFEE]\n");
  Command(IDC_BTN_EAS_READ);

  const std::string serial = "EAS ch[5]=5 ,ch[6]=6,ch[7]=7abc \r\n";
  EXPECT_EQ(far_end_->Read(serial.size()), serial);
  EXPECT_EQ(LogText(), log_before_ + L"EAS ch[1]=1a ,ch[2]=0 \r\n"
                                     L"EAS ch[3]=ffffffff ,ch[4]=4 \r\n"
                                     L"EAS ch[5]=5 ,ch[6]=6 \r\n"
                                     L"EAS ch[7]=7abc ,ch[8]=8 \r\n"
                                     L"EAS ch[9]=9 ,ch[10]=a \r\n"
                                     L"EAS ch[11]=b ,ch[12]=c0ffee \r\n");
  EXPECT_EQ(NewCallsTo("EAS1:"), (std::vector<DriverCall>{{true, 8002, 0, 52}}));
  EXPECT_EQ(dlg.m_dwEtcIoctl, 8002u);
  EXPECT_TRUE(front_end.message_boxes.empty());
}

TEST_F(EasReadTest, WithoutTheDriverTheBoxThenZerosEverywhere) {
  StartWithCom1("[drivers]\nEAS1 = \"absent\"\n");
  Command(IDC_BTN_EAS_READ);

  ASSERT_EQ(front_end.message_boxes.size(), 1u);
  EXPECT_EQ(front_end.message_boxes[0].text, L"EAS IO Send CreateFile Error");
  const std::string serial = "EAS ch[5]=0 ,ch[6]=0,ch[7]=0 \r\n";
  EXPECT_EQ(far_end_->Read(serial.size()), serial);
  std::wstring zeros;
  for (int n = 1; n <= 11; n += 2) {
    zeros += L"EAS ch[" + std::to_wstring(n) + L"]=0 ,ch[" + std::to_wstring(n + 1) + L"]=0 \r\n";
  }
  EXPECT_EQ(LogText(), log_before_ + zeros);
  EXPECT_EQ(dlg.m_dwEtcIoctl, 8002u);
}

}  // namespace
