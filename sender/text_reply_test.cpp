#include "sender/text_reply.h"

#include <gtest/gtest.h>

#include "platform/terminal/utf16.h"
#include "sender/protocol.h"

namespace {

using sender::EncodeTextReply;

// Every kind of unit a control's text may hold, alone, at either end of a run and inside the
// blocks that plain text is copied in.
TEST(TextReplyTest, LineIsTheOneTheTextInUtf8WouldMakeByteForByte) {
  const std::u16string long_mixed = [] {
    std::u16string text;
    for (int i = 0; i < 500; ++i) text += u"0123456789abcdef\r\n로그 \U0001F600\x01\"\\";
    return text;
  }();
  const std::u16string cases[] = {
      u"",
      u"COM2 OPEN!! \r\n",
      u"\"quoted\" \\ back\\slash/",
      u"\b\f\n\r\t\x01\x1F\x7F \x80\u00E9",
      std::u16string(1, u'\0') + u"after NUL",
      u"한국어 로그\r\n",
      u"\U0001F600 pair \U00010000\U0010FFFF",
      u"lone high \xD800 x",
      u"lone low \xDC00 x",
      u"reversed \xDC00\xD800",
      u"ends high \xD83D",
      long_mixed,
  };
  for (const std::u16string& text : cases) {
    const std::string utf8 = platform::ToUtf8(text);
    const std::string line = EncodeTextReply(text);
    EXPECT_EQ(line, sender::EncodeReply(sender::Reply::Text(utf8))) << utf8;
    const auto decoded = sender::DecodeReply(std::string_view(line).substr(0, line.size() - 1));
    ASSERT_TRUE(decoded.has_value()) << line;
    EXPECT_EQ(decoded->text, utf8);
  }
  EXPECT_EQ(EncodeTextReply(u"a\x01\xD800\U0001F600\r\n"),
            "{\"ok\":true,\"text\":\"a\\u0001\xEF\xBF\xBD\xF0\x9F\x98\x80\\r\\n\"}\n");
}

}  // namespace
