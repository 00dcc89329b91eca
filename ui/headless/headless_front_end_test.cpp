#include "ui/headless/headless_front_end.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/terminal/message_loop.h"
#include "testing/test_dialog.h"

namespace {

using namespace testing_support;

std::string Contents(std::FILE* file) {
  std::fflush(file);
  std::rewind(file);
  std::string bytes;
  for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) bytes += static_cast<char>(c);
  return bytes;
}

class HeadlessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetFrontEnd(&front_end);
    dialog = platform::CreateDialogFromTemplate(SmallDialogTemplate(), nullptr, &procedure);
    pane = GetDlgItem(dialog, kEditId);
  }
  void TearDown() override {
    DestroyWindow(dialog);
    platform::SetFrontEnd(nullptr);
    std::fclose(log_out);
    std::fclose(box_out);
  }
  void Append(LPCWSTR text) {
    SendMessageW(pane, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text));
  }

  platform::VirtualClock clock;
  platform::MessageLoop loop{clock};
  std::FILE* log_out = std::tmpfile();
  std::FILE* box_out = std::tmpfile();
  ui::HeadlessFrontEnd front_end{kEditId, log_out, box_out};
  RecordingProcedure procedure;
  HWND dialog = nullptr;
  HWND pane = nullptr;
};

TEST_F(HeadlessTest, LogTextGoesOutAsItArrivesInUtf8WithItsLineEnds) {
  Append(L"COM2 OPEN!! \r\n");
  Append(L"aaaaa w:3>");
  Append(L"\uFFB0 승차\r\n");
  EXPECT_EQ(Contents(log_out),
            "COM2 OPEN!! \r\naaaaa w:3>\xEF\xBE\xB0 \xEC\x8A\xB9\xEC\xB0\xA8\r\n");
}

TEST_F(HeadlessTest, ANewWholeTextStandsOnALineOfItsOwn) {
  Append(L"half a line");
  SetWindowTextW(pane, L"Delete Completed");
  SetWindowTextW(pane, L"Copy Completed");
  EXPECT_EQ(Contents(log_out), "half a line\nDelete Completed\nCopy Completed\n");
}

TEST_F(HeadlessTest, OtherControlsStaySilent) {
  SetWindowTextW(dialog, L"QUORVANE");
  SendMessageW(GetDlgItem(dialog, kButtonId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"x"));
  EXPECT_EQ(Contents(log_out), "");
}

TEST_F(HeadlessTest, MessageBoxesGoToTheirOwnStreamAndAreAnsweredWithOk) {
  EXPECT_EQ(MessageBoxW(dialog, L"번호를 입력하세요.", L"quorvane", MB_OK), IDOK);
  EXPECT_TRUE(IsWindowEnabled(dialog));
  EXPECT_EQ(Contents(box_out), "message box: \xEB\xB2\x88\xED\x98\xB8\xEB\xA5\xBC "
                               "\xEC\x9E\x85\xEB\xA0\xA5\xED\x95\x98\xEC\x84\xB8\xEC\x9A\x94.\n");
  EXPECT_EQ(Contents(log_out), "");
}

}  // namespace
