#include "framework/cstring.h"

#include <gtest/gtest.h>

namespace {

TEST(CString, FormatTakesWideStringsForPercentS) {
  CString text;
  text.Format(L"COM%d OPEN!! \r\n", 2);
  EXPECT_EQ(text.str(), L"COM2 OPEN!! \r\n");
  text.Format(L"Delete:%s", L"\\ResidentFlash\\A\\");
  EXPECT_EQ(text.str(), L"Delete:\\ResidentFlash\\A\\");
  EXPECT_EQ(text.GetLength(), 24);
}

TEST(CString, BuildsCharacterByCharacterAndFindsParts) {
  CString text;
  EXPECT_TRUE(text.IsEmpty());
  for (WCHAR character : {L'A', L'T', L'H', L'\r'}) text += character;
  EXPECT_EQ(text.Find(L"ATH"), 0);
  EXPECT_EQ(text.Find(L"TH\r"), 1);
  EXPECT_EQ(text.Find(L"+++"), -1);
  EXPECT_EQ(text.GetAt(3), L'\r');
  EXPECT_EQ(std::wstring(static_cast<LPCWSTR>(text)), L"ATH\r");
}

}  // namespace
