#include "tools/quorvane-results/text_table.h"

#include <algorithm>

namespace quorvane_results {

namespace {

// Wide and fullwidth ranges (Hangul Jamo, CJK, Hangul syllables, fullwidth forms, the
// supplementary ideographs); enough for the Korean and CJK text a station's records hold.
bool IsWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
         (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
         (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA960 && c <= 0xA97F) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

bool IsZeroWidth(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c < 0xA0) || (c >= 0x300 && c <= 0x36F) ||
         (c >= 0x1160 && c <= 0x11FF) || c == 0x200B || (c >= 0xFE00 && c <= 0xFE0F);
}

// The code point at `at` and the bytes it takes; a byte that starts no valid sequence stands for
// itself as U+FFFD, one column, as a terminal shows it.
std::pair<char32_t, std::size_t> Decode(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  const std::size_t length = lead < 0x80           ? 1
                             : (lead >> 5) == 0x6  ? 2
                             : (lead >> 4) == 0xE  ? 3
                             : (lead >> 3) == 0x1E ? 4
                                                   : 0;
  constexpr char32_t kReplacement = 0xFFFD;
  if (length == 0 || at + length > text.size()) return {kReplacement, 1};
  char32_t c = length == 1 ? lead : lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0) != 0x80) return {kReplacement, 1};
    c = (c << 6) | (next & 0x3F);
  }
  return {c, length};
}

}  // namespace

std::size_t DisplayWidth(std::string_view text) {
  std::size_t width = 0;
  for (std::size_t at = 0; at < text.size();) {
    const auto [c, length] = Decode(text, at);
    at += length;
    width += IsZeroWidth(c) ? 0 : IsWide(c) ? 2 : 1;
  }
  return width;
}

TextTable::TextTable(std::vector<Column> columns) : columns_(std::move(columns)) {}

void TextTable::AddRow(std::vector<std::string> cells) {
  cells.resize(columns_.size());
  rows_.push_back(std::move(cells));
}

void TextTable::Print(std::ostream& out) const {
  std::vector<std::size_t> widths;
  for (const Column& column : columns_) widths.push_back(DisplayWidth(column.heading));
  for (const auto& row : rows_) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      widths[i] = std::max(widths[i], DisplayWidth(row[i]));
    }
  }
  const auto print_row = [&](const std::vector<std::string>& cells) {
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
      const std::string pad(widths[i] - DisplayWidth(cells[i]), ' ');
      if (i > 0) line += "  ";
      line += columns_[i].align == Align::kRight ? pad + cells[i] : cells[i] + pad;
    }
    line.erase(line.find_last_not_of(' ') + 1);
    out << line << '\n';
  };
  std::vector<std::string> headings;
  for (const Column& column : columns_) headings.push_back(column.heading);
  print_row(headings);
  for (const auto& row : rows_) print_row(row);
}

}  // namespace quorvane_results
