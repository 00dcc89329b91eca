// Number entry and calls on the simulated terminal; the test stands at COM1's far end, since a
// call goes to whatever port is open.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/console_fixture.h"
#include "testing/tty_end.h"

namespace {

using namespace console_testing;
using testing_support::TtyEnd;

class CallTest : public ConsoleTest {
 protected:
  std::wstring Number() const {
    CString number;
    dlg.m_editNumber.GetWindowText(number);
    return std::wstring(static_cast<LPCWSTR>(number));
  }
  void SetNumber(const std::wstring& number) { dlg.m_editNumber.SetWindowText(number.c_str()); }
  std::unique_ptr<TtyEnd> OpenCom1() {
    auto far_end = std::make_unique<TtyEnd>(Sandbox() / "tty" / "COM1");
    Command(IDC_RADIO_COM1);
    Command(IDC_BTN_OPEN);
    return far_end;
  }
  std::vector<std::wstring> Boxes() const {
    std::vector<std::wstring> texts;
    for (const auto& box : front_end.message_boxes) texts.push_back(box.text);
    return texts;
  }
};

TEST_F(CallTest, DigitsGoToTheEndOfTheNumberAndDelClearsItAll) {
  Start();
  for (const int key : {IDC_BTN_KEY0, IDC_BTN_KEY1, IDC_BTN_KEY0}) Command(key);
  EXPECT_EQ(Number(), L"010");
  dlg.m_editNumber.SendMessage(EM_SETSEL, 1, 1);  // the caret in the middle
  for (const int key : {IDC_BTN_KEY2, IDC_BTN_KEY3, IDC_BTN_KEY4, IDC_BTN_KEY5, IDC_BTN_KEY6,
                        IDC_BTN_KEY7, IDC_BTN_KEY8, IDC_BTN_KEY9}) {
    Command(key);
  }
  EXPECT_EQ(Number(), L"01023456789");
  Command(IDC_BTN_DEL);
  EXPECT_EQ(Number(), L"");
  Command(IDC_BTN_DEL);
  EXPECT_EQ(Number(), L"");
}

TEST_F(CallTest, ADialThatCannotGoOutIsRefusedWithItsBoxAndWritesNothing) {
  struct Case {
    std::wstring number;
    bool port_open;
    std::wstring box;
  };
  const std::vector<Case> cases = {
      {L"", false, L"번호를 입력하세요."},
      {L"", true, L"번호를 입력하세요."},
      {L"01012345678", false, L"포트를 열어주세요."},
      {std::wstring(92, L'1'), true, L"번호가 너무 깁니다. 91자까지 걸 수 있습니다."},
      {L"010\U0001F600", true, L"번호에 보낼 수 없는 문자가 있습니다."},
  };
  Start();
  auto far_end = OpenCom1();
  for (const Case& c : cases) {
    if (!c.port_open) Command(IDC_BTN_CLOSE);
    if (c.port_open && !dlg.m_com.m_bConnected) Command(IDC_BTN_OPEN);
    front_end.message_boxes.clear();
    SetNumber(c.number);
    Command(IDC_BTN_CALL);
    EXPECT_EQ(Boxes(), std::vector<std::wstring>{c.box}) << c.number.size();
  }
  Command(IDC_BTN_HANG_UP);  // a marker: nothing came before it
  EXPECT_EQ(far_end->Read(16), "AT+CHV\r\nAT+CAD?\r");
}

TEST_F(CallTest, DialAsksForServiceThenDialsASecondLaterAsOneBlock) {
  Start();
  auto far_end = OpenCom1();
  for (const std::size_t length : {std::size_t{11}, std::size_t{91}}) {
    SetNumber(std::wstring(length, L'7'));
    const auto before = clock.Now();
    Command(IDC_BTN_CALL);
    EXPECT_EQ(clock.Now() - before, std::chrono::milliseconds(1000));
    EXPECT_EQ(far_end->Read(9), "AT+CAD?\r\n");
    EXPECT_EQ(far_end->Read(length + 8), "AT+CDV" + std::string(length, '7') + "\r\n");
    EXPECT_EQ(Number(), std::wstring(length, L'7'));  // kept for the next call
  }
  EXPECT_TRUE(front_end.message_boxes.empty());
}

TEST_F(CallTest, AnswerWritesItsCommandThenMakesTheNavigationRequest) {
  Start();
  auto far_end = OpenCom1();
  Command(IDC_BTN_ANSWER);
  EXPECT_EQ(far_end->Read(9), "AT$QCCAV\r");
  const auto journal = Journal();
  ASSERT_FALSE(journal.empty());
  EXPECT_EQ(journal.back()["code"], 2536);
  EXPECT_TRUE(front_end.message_boxes.empty());
}

TEST_F(CallTest, AnswerWithoutTheEtcDriverStillWritesThenShowsTheOpenFailure) {
  Start("[drivers]\nETC1 = \"absent\"\n");
  auto far_end = OpenCom1();
  front_end.message_boxes.clear();
  Command(IDC_BTN_ANSWER);
  EXPECT_EQ(far_end->Read(9), "AT$QCCAV\r");
  EXPECT_EQ(Boxes(), std::vector<std::wstring>{L"Navi IO Send CreateFile Error"});
}

}  // namespace
