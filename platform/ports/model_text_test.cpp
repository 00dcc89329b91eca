#include "platform/ports/model_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A pane that keeps running full: appends at the end and drops of its oldest units, each
// checked against a plain string doing the same.
TEST(ModelTextTest, ReadsAsThePlainTextThroughAppendsDropsAndReplacements) {
  platform::ModelText text = std::u16string(u"first\r\n");
  std::u16string plain = u"first\r\n";
  for (int round = 0; round < 200; ++round) {
    const auto width = static_cast<std::size_t>(round % 7);
    const std::u16string line = u"line " + std::u16string(width, u'x');
    text.Replace(text.size(), 0, line);
    plain.replace(plain.size(), 0, line);
    const std::size_t dropped = round % 3 == 0 ? plain.size() / 3 : 0;
    text.DropFront(dropped);
    plain.erase(0, dropped);
    if (round % 50 == 49) {  // a replacement inside the text, as a selection typed over
      text.Replace(1, 2, u"ab");
      plain.replace(1, 2, u"ab");
    }
    ASSERT_EQ(text.view(), plain) << "round " << round;
    ASSERT_EQ(text.size(), plain.size());
    if (!plain.empty()) {
      ASSERT_EQ(text[plain.size() - 1], plain.back());
    }
  }
  text.DropFront(text.size());
  EXPECT_TRUE(text.empty());
  text = std::u16string(u"Copy Completed");
  EXPECT_TRUE(text == u"Copy Completed");
}

}  // namespace
