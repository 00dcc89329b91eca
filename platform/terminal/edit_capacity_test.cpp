#include "platform/terminal/edit_capacity.h"

#include <gtest/gtest.h>

namespace {

TEST(EditCapacityRuleTest, WholeLinesGoDownToSevenEighthsAndALongLastLineKeepsItsNewestPart) {
  struct Case {
    std::u16string text;
    std::size_t capacity;
    std::size_t dropped;
  };
  const Case cases[] = {
      {u"0123456789abcdef", 16, 0},             // full, not past it
      {u"aaaa\r\nbbbb\r\ncccc\r\n", 16, 6},     // "aaaa\r\n"
      {u"aaaa\r\nbbbb\r\ncccc\r\n", 12, 12},    // down to 11: both older lines
      {u"aaa\r\n\nbbbbbbbbbbbb", 16, 5},        // "\r\n" is one line end, not two
      {u"aaaa\rbbbbbbbbbbbb", 16, 5},           // a lone "\r" ends a line
      {u"xxxxxxxxxxxxxxxxxx\r\n", 16, 6},       // no whole line fits: its newest 14 units
      {u"xxxx\U0001F600xxxxxxxxxxxxx", 16, 6},  // the cut would split the pair: after it
      {u"abc", 0, 3},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::UnitsToDrop(c.text, c.capacity), c.dropped)
        << c.text.size() << " units, capacity " << c.capacity;
  }
}

TEST(EditCapacityRuleTest, ASelectionInsideTheDroppedTextCollapsesToTheStart) {
  struct Case {
    platform::Selection before;
    platform::Selection after;
  };
  const Case cases[] = {
      {{8, 12}, {2, 6}},  // kept: moved along
      {{3, 10}, {0, 4}},  // partly dropped, forwards
      {{10, 3}, {4, 0}},  // and backwards
      {{1, 5}, {0, 0}},   // wholly dropped
      {{6, 6}, {0, 0}},   // a caret where the kept text starts
  };
  for (const Case& c : cases) {
    const platform::Selection moved = platform::AfterDropping(c.before, 6);
    EXPECT_EQ(moved.anchor, c.after.anchor) << c.before.anchor << "," << c.before.caret;
    EXPECT_EQ(moved.caret, c.after.caret) << c.before.anchor << "," << c.before.caret;
  }
}

}  // namespace
