#include "ui/qt/edit_text_display.h"

#include <gtest/gtest.h>

namespace {

TEST(EditTextDisplayTest, EveryCharacterKeepsItsPositionAndOnlyLineEndsBreakLines) {
  const std::u16string text = u"a\r\nb\nc\rd\t";
  const QString shown = ui::ShownCharacters(text);
  EXPECT_EQ(shown, QString::fromUtf8("a\u200B\nb\nc\nd\t"));
  EXPECT_EQ(static_cast<std::size_t>(shown.size()), text.size());
  // A range is shown with its neighbours in mind: the "\r" before a "\n" that follows it.
  EXPECT_EQ(ui::ShownCharacters(text, 1, 2), QString(QChar(u'\u200B')));
  EXPECT_TRUE(ui::ShownFormDependsOnNext(text, 1));
  EXPECT_FALSE(ui::ShownFormDependsOnNext(text, 2));
}

TEST(EditTextDisplayTest, APairShowsItsCharacterAndWhatQtCannotHoldShowsAsTheReplacement) {
  // A pair, a lone high and a lone low surrogate, and a character Qt's document keeps for itself.
  const std::u16string text = {u'x', u'\xD83D', u'\xDE00', u'\xD800', u'y', u'\xDC00', u'\xFDD0'};
  EXPECT_EQ(ui::ShownCharacters(text), QString::fromUtf8("x\U0001F600\uFFFDy\uFFFD\uFFFD"));
  // Each half of the pair is shown as itself even alone, and it depends on its other half.
  EXPECT_EQ(ui::ShownCharacters(text, 2, 3), QString(QChar(u'\xDE00')));
  EXPECT_TRUE(ui::ShownFormDependsOnNext(text, 1));
  EXPECT_TRUE(ui::ShownFormDependsOnPrevious(text, 2));
  EXPECT_FALSE(ui::ShownFormDependsOnPrevious(text, 4));
}

}  // namespace
