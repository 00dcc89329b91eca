#include "platform/terminal/utf16.h"

#include <gtest/gtest.h>

namespace {

TEST(Utf16Test, PairsForCharactersBeyondTheBasicPlaneAndReplacementsForNonCharacters) {
  struct Case {
    std::wstring wide;
    std::u16string units;
    std::wstring back;  // from the units again
    std::string utf8;
  };
  const Case cases[] = {
      {L"번호 ok", u"번호 ok", L"번호 ok", "번호 ok"},
      {{L'a', static_cast<wchar_t>(0x1F600)},
       u"a\U0001F600",
       {L'a', static_cast<wchar_t>(0x1F600)},
       "a\xF0\x9F\x98\x80"},
      // A lone surrogate stays a unit, and UTF-8 gets U+FFFD for it.
      {{static_cast<wchar_t>(0xD800), L'z'},
       {u'\xD800', u'z'},
       {static_cast<wchar_t>(0xD800), L'z'},
       "\xEF\xBF\xBDz"},
      // A byte widened with its sign is no character.
      {{static_cast<wchar_t>(0xFFFFFF80)}, u"\uFFFD", L"\uFFFD", "\xEF\xBF\xBD"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::ToUtf16(c.wide), c.units) << c.utf8;
    EXPECT_EQ(platform::FromUtf16(c.units), c.back) << c.utf8;
    EXPECT_EQ(platform::ToUtf8(c.units), c.utf8);
  }
}

// Long texts go in blocks where they can: runs of every length, so that blocks begin and end at
// every offset of the characters that cannot go in one, must convert as those characters do.
TEST(Utf16Test, LongTextsConvertAsTheirCharactersDo) {
  const std::wstring characters[] = {L"a",
                                     L"\uAC00",
                                     {static_cast<wchar_t>(0x1F600)},
                                     L"\u00E9",
                                     {static_cast<wchar_t>(0xD800)},
                                     L"\r\n",
                                     L"\u7FFF"};
  std::wstring wide;
  std::u16string units;
  std::string utf8;
  for (std::size_t i = 0; i < 400; ++i) {
    const std::wstring piece = std::wstring(i % 37, L'x') + characters[i % std::size(characters)];
    wide += piece;
    units += platform::ToUtf16(piece);
    utf8 += platform::ToUtf8(platform::ToUtf16(piece));
  }
  EXPECT_EQ(platform::ToUtf16(wide), units);
  EXPECT_EQ(platform::FromUtf16(units), wide);
  EXPECT_EQ(platform::ToUtf8(units), utf8);
}

}  // namespace
