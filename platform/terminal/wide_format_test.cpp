#include "platform/terminal/wide_format.h"

#include <gtest/gtest.h>

namespace {

using platform::FormatWide;

TEST(WideFormat, PercentSTakesAWideStringAndPercentHsANarrowOne) {
  EXPECT_EQ(FormatWide(L"MTR MSG -> W=%d, L=%d (%s) \r\n", 0, 1, L"승차"),
            L"MTR MSG -> W=0, L=1 (승차) \r\n");
  EXPECT_EQ(FormatWide(L"%hs|%c|%hc", "at", L'가', 'x'), L"at|가|x");
}

TEST(WideFormat, NumbersPrintInFullAndPercentSignsSurvive) {
  EXPECT_EQ(FormatWide(L"EAS ch[1]=%x ,ch[2]=%x \r\n", 26u, 0xFFFFFFFFu),
            L"EAS ch[1]=1a ,ch[2]=ffffffff \r\n");
  EXPECT_EQ(FormatWide(L"%d%% %5d|%-3d|", -2147483647 - 1, 42, 7), L"-2147483648%    42|7  |");
}

TEST(WideFormat, LongResultsAreNotCut) {
  const std::wstring long_text(5000, L'x');
  EXPECT_EQ(FormatWide(L"Delete:%s", long_text.c_str()), L"Delete:" + long_text);
}

TEST(WideFormat, WsprintfIntoAFixedBufferCutsToFit) {
  WCHAR buffer[8];
  EXPECT_EQ(wsprintfW(buffer, L"COM%d OPEN!! \r\n", 2), 7);
  EXPECT_STREQ(buffer, L"COM2 OP");
}

}  // namespace
