// A table for a terminal: a heading row and rows of texts in columns as wide as their widest
// cell, measured in the columns a terminal gives the text (a Hangul syllable takes two), numbers
// aligned to the right so that their digits line up.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane_results {

// The columns a terminal takes to show UTF-8 `text`: two for East Asian wide characters, none
// for combining marks and controls, one for the rest (and for each byte that is not UTF-8).
std::size_t DisplayWidth(std::string_view text);

class TextTable {
 public:
  enum class Align { kLeft, kRight };
  struct Column {
    std::string heading;
    Align align = Align::kLeft;
  };

  explicit TextTable(std::vector<Column> columns);
  // Cells beyond the columns are dropped, missing ones are empty.
  void AddRow(std::vector<std::string> cells);
  void Print(std::ostream& out) const;

 private:
  std::vector<Column> columns_;
  std::vector<std::vector<std::string>> rows_;
};

}  // namespace quorvane_results
