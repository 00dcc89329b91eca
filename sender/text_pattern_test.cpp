#include "sender/text_pattern.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using namespace sender;

// What matching the pieces one after another found: the match, "(none)", or the error.
std::u16string Outcome(const MatchOutcome& outcome) {
  if (const auto* found = std::get_if<Found>(&outcome)) return found->text;
  if (const auto* error = std::get_if<PatternError>(&outcome)) {
    return std::u16string(error->message.begin(), error->message.end());
  }
  return u"(none)";
}

std::u16string MatchPieces(const std::string& pattern, const std::vector<std::u16string>& pieces) {
  auto compiled = TextPattern::Compile(pattern);
  if (const auto* error = std::get_if<PatternError>(&compiled)) {
    ADD_FAILURE() << error->message;
    return {};
  }
  GrowingTextMatch growing(std::get<TextPattern>(compiled));
  MatchOutcome outcome = NotYet{};
  for (const std::u16string& piece : pieces) {
    outcome = growing.Add(piece);
    if (!std::holds_alternative<NotYet>(outcome)) break;
  }
  return Outcome(outcome);
}

TEST(TextPatternTest, GrowingTextIsMatchedAcrossItsPiecesAsOneText) {
  const std::u16string far_past(300'000, u'x');
  const std::u16string slice_edge = std::u16string(65'535, u'x') + u"😀";  // a pair on the edge
  const struct {
    const char* what;
    std::string pattern;
    std::vector<std::u16string> pieces;
    std::u16string found;
  } cases[] = {
      {"a match split over three pieces",
       R"(recvdatasize:\d+\r\n)",
       {u"com[1] recvdata", u"size:4", u"3\r\nOK"},
       u"recvdatasize:43\r\n"},
      {"a lookbehind reaches into the piece before",
       "(?<=COM1 )OPEN",
       {u"COM1 ", u"OPEN!!"},
       u"OPEN"},
      {"a line starts after a break in the piece before",
       "(?m)^OK$",
       {u"ERROR\r\n", u"OK\r\n"},
       u"OK"},
      {"the text's start is where the first piece began", "^OK", {u"xOK", u"OK"}, u"(none)"},
      {"a dot stays within its line", "A.B", {u"A\r", u"\nB"}, u"(none)"},
      {"a complete match is taken though more could follow", R"(OK\d*)", {u"OK"}, u"OK"},
      {"Korean text matches as characters", "수신 .{3}", {u"수신 데", u"이터"}, u"수신 데이터"},
      {"a pair of surrogates on a slice's edge stays whole", "x😀", {slice_edge}, u"x😀"},
      {"a match longer than what is kept is not found, a later one is",
       "BEGIN[^!]*END",
       {u"BEGIN", far_past, u"END", u" BEGIN x END"},
       u"BEGIN x END"},
  };
  for (const auto& [what, pattern, pieces, found] : cases) {
    EXPECT_EQ(MatchPieces(pattern, pieces), found) << what;
  }
}

// Patterns that backtrack without end meet the limits and fail, both on growing text and on a
// text of its own (a message box's).
TEST(TextPatternTest, PatternThatBacktracksWithoutEndFailsInsteadOfHanging) {
  const std::u16string as = std::u16string(40, u'a') + u"!";
  const std::u16string words = std::u16string(2000, u'w') + u"!";
  const std::u16string exceeded = u"the pattern cannot be matched: match limit exceeded";
  EXPECT_EQ(MatchPieces("(a+)+$", {as}), exceeded);
  EXPECT_EQ(MatchPieces(R"((\w+\s?)*$)", {words}), exceeded);
  const auto hostile = std::get<TextPattern>(TextPattern::Compile("(a|aa)+$"));
  EXPECT_EQ(Outcome(hostile.FindIn(as)), exceeded);

  const auto box = std::get<TextPattern>(TextPattern::Compile("Error$"));
  EXPECT_EQ(Outcome(box.FindIn(u"EAS IO Send CreateFile Error")), u"Error");
  EXPECT_EQ(Outcome(box.FindIn(u"Error here")), u"(none)");
}

}  // namespace
