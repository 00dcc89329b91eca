// The terminal table: widths counted in terminal columns, so Hangul (two columns each), combining
// marks (none) and bytes that are not UTF-8 (one each) keep the columns lined up.
#include "tools/quorvane-results/text_table.h"

#include <gtest/gtest.h>

#include <sstream>

namespace quorvane_results {
namespace {

TEST(TextTableTest, WidthIsTheColumnsATerminalGives) {
  const std::pair<std::string, std::size_t> widths[] = {
      {"", 0},         {"PASS", 4},     {"승차", 4}, {"T-한국3", 7}, {"e\u0301", 1},
      {"\xff\xfe", 2}, {"\xe3\x81", 2}, {"\t", 0},   {"ｶ", 1},       {"全角", 4},
  };
  for (const auto& [text, width] : widths) EXPECT_EQ(DisplayWidth(text), width) << text;
}

TEST(TextTableTest, ColumnsLineUpWithWideText) {
  TextTable table({{"UNIT"}, {"RUNS", TextTable::Align::kRight}, {"NOTE"}});
  table.AddRow({"승차-1", "3", ""});
  table.AddRow({"T-10", "12", "ok"});
  std::ostringstream out;
  table.Print(out);
  EXPECT_EQ(out.str(), "UNIT    RUNS  NOTE\n"
                       "승차-1     3\n"
                       "T-10      12  ok\n");
}

}  // namespace
}  // namespace quorvane_results
