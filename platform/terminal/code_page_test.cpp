#include "platform/terminal/code_page.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/ports/board.h"

namespace {

const wchar_t* const kPrompt = L"번호를 입력하세요.";
// The same text in code page 949: two bytes for each syllable, one for the space and the period.
const std::string kPromptIn949 =
    "\xB9\xF8\xC8\xA3\xB8\xA6 \xC0\xD4\xB7\xC2\xC7\xCF\xBC\xBC\xBF\xE4.";

std::string ToAnsi(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

std::wstring FromAnsi(const std::string& text, UINT code_page = CP_ACP) {
  const int size =
      MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
  return out;
}

TEST(CodePageTest, KoreanTextRoundTripsThroughCodePage949) {
  char multi[64];
  std::memset(multi, 'z', sizeof multi);
  const int size =
      WideCharToMultiByte(CP_ACP, 0, kPrompt, -1, multi, sizeof multi, nullptr, nullptr);
  ASSERT_EQ(size, static_cast<int>(kPromptIn949.size()) + 1) << "-1 counts the terminating zero";
  EXPECT_EQ(std::string(multi), kPromptIn949);

  wchar_t wide[64];
  const int wide_size = MultiByteToWideChar(CP_ACP, 0, multi, -1, wide, 64);
  EXPECT_EQ(wide_size, static_cast<int>(std::wcslen(kPrompt)) + 1);
  EXPECT_STREQ(wide, kPrompt);
}

TEST(CodePageTest, AnExplicitCountConvertsThatManyAndAddsNoTerminator) {
  char multi[8];
  std::memset(multi, 'z', sizeof multi);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, L"AT+CHV", 2, multi, sizeof multi, nullptr, nullptr), 2);
  EXPECT_EQ(std::string(multi, 3), "ATz");

  wchar_t wide[8];
  std::wmemset(wide, L'z', 8);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xB9\xF8\xC8\xA3", 2, wide, 8), 1);
  EXPECT_EQ(std::wstring(wide, 2), L"번z");
}

TEST(CodePageTest, SizeZeroAsksForTheSizeAndASmallBufferFails) {
  const int needed = WideCharToMultiByte(CP_ACP, 0, kPrompt, -1, nullptr, 0, nullptr, nullptr);
  EXPECT_EQ(needed, static_cast<int>(kPromptIn949.size()) + 1);

  std::string small(static_cast<std::size_t>(needed - 1), '\0');
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, kPrompt, -1, small.data(), needed - 1, nullptr, nullptr),
            0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);

  const char* multi = kPromptIn949.c_str();
  const int wide_needed = MultiByteToWideChar(CP_ACP, 0, multi, -1, nullptr, 0);
  EXPECT_EQ(wide_needed, static_cast<int>(std::wcslen(kPrompt)) + 1);
  wchar_t wide[4];
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, multi, -1, wide, 4), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

TEST(CodePageTest, CharactersTheCodePageLacksBecomeTheDefaultCharacter) {
  // Thai has no place in code page 949; the euro sign has one.
  char multi[16] = {};
  BOOL used_default = FALSE;
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, L"a\u0E01b", -1, multi, 16, nullptr, &used_default), 4);
  EXPECT_STREQ(multi, "a?b");
  EXPECT_TRUE(used_default);

  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, L"\u0E01\u20AC", -1, multi, 16, "#", &used_default), 4);
  EXPECT_STREQ(multi, "#\xA2\xE6");
  EXPECT_TRUE(used_default);

  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, L"AT", -1, multi, 16, nullptr, &used_default), 3);
  EXPECT_FALSE(used_default);
}

TEST(CodePageTest, InvalidInputBecomesTheReplacementCharacter) {
  EXPECT_EQ(FromAnsi("a\xFF"
                     "b",
                     CP_UTF8),
            L"a\uFFFDb");
  EXPECT_EQ(FromAnsi("ab\xB9"), L"ab\uFFFD") << "a lead byte cut off at the end";
  EXPECT_EQ(FromAnsi(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
}

TEST(CodePageTest, TextLongerThanOneConversionStepRoundTrips) {
  std::wstring long_text;
  for (int i = 0; i < 2000; ++i) long_text += L"전화번호등록 AT*RX*MDN ";
  EXPECT_EQ(FromAnsi(ToAnsi(long_text)), long_text);
  EXPECT_EQ(platform::FromUtf8(platform::ToUtf8(long_text)), long_text);
}

TEST(CodePageTest, TheAnsiCodePageIsTheBoards) {
  platform::Board western;
  western.ansi_code_page = 1252;
  platform::InstallBoard(std::move(western));
  EXPECT_EQ(ToAnsi(L"café"), "caf\xE9");
  EXPECT_EQ(FromAnsi("caf\xE9"), L"café");
  platform::InstallBoard({});
  EXPECT_EQ(ToAnsi(L"번호"), "\xB9\xF8\xC8\xA3");
}

TEST(Utf8Test, LoneSurrogatesBecomeTheReplacementCharacter) {
  EXPECT_EQ(platform::ToUtf8(L"a\xD800z"), "a\xEF\xBF\xBDz");
  EXPECT_EQ(platform::ToUtf8(L"번호"), "번호");
}

TEST(Utf8Test, BytesThatAreNotUtf8AreRefused) {
  EXPECT_EQ(platform::FromUtf8("번호 ok"), L"번호 ok");
  EXPECT_EQ(platform::FromUtf8(""), L"");
  EXPECT_EQ(platform::FromUtf8("\xB9\xF8"), std::nullopt);
  EXPECT_EQ(platform::FromUtf8("\xC0\xAF"), std::nullopt) << "an overlong slash";
  EXPECT_EQ(platform::FromUtf8("\xED\xA0\x80"), std::nullopt) << "an encoded surrogate";
  EXPECT_EQ(platform::FromUtf8("ab\xEB\xB2"), std::nullopt) << "cut off";
}

}  // namespace
