#include "report/record_view.h"

#include <variant>

#include "plan/record_slice.h"
#include "record/record_line.h"
#include "report/html.h"

namespace report {

namespace {

namespace fs = std::filesystem;

// The mark's file in the records' folder; nothing for a name that would leave it.
std::optional<fs::path> InRecords(const fs::path& records, const std::string& file) {
  const fs::path relative(file);
  if (relative.empty() || relative.is_absolute()) return std::nullopt;
  for (const fs::path& part : relative) {
    if (part == "..") return std::nullopt;
  }
  return records / relative;
}

std::string Hex(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (!text.empty()) text += ' ';
    text += {kHex[byte >> 4], kHex[byte & 0xF]};
  }
  return text;
}

std::string Printable(std::string_view bytes) {
  std::string text;
  for (const char c : bytes) text += c >= 0x20 && c < 0x7f ? c : '.';
  return text;
}

// The fields after the kind: "WALL MONO SEQ KIND REST".
std::string_view AfterKind(std::string_view line) {
  std::size_t at = 0;
  for (int field = 0; field < 4 && at != std::string_view::npos; ++field) {
    at = line.find(' ', at);
    if (at != std::string_view::npos) ++at;
  }
  return at == std::string_view::npos ? std::string_view() : line.substr(at);
}

std::string LineRow(std::string_view line) {
  const auto parsed = record::ParseRecordLine(line);
  if (const auto* fault = std::get_if<record::LineFault>(&parsed)) {
    return "<tr><td></td><td class=\"gone\">unreadable</td><td></td><td>" + Escape(fault->what) +
           "</td><td>" + Escape(Printable(line)) + "</td></tr>\n";
  }
  const auto& recorded = std::get<record::RecordedLine>(parsed);
  std::string row = "<tr><td class=\"n\">" + std::to_string(recorded.sequence) + "</td><td>" +
                    Escape(recorded.kind) + "</td>";
  if (recorded.block) {
    const char* way =
        recorded.block->direction == platform::SerialDirection::kReceived ? " in" : " out";
    return row + "<td>" + Escape(recorded.block->port) + way + "</td><td>" +
           Hex(recorded.block->bytes) + "</td><td>" + Escape(Printable(recorded.block->bytes)) +
           "</td></tr>\n";
  }
  return row + "<td></td><td></td><td>" + Escape(AfterKind(line)) + "</td></tr>\n";
}

}  // namespace

std::string RecordSliceHtml(const fs::path& records, const results::StoredPhase& phase) {
  if (!phase.record_begin || !phase.record_end) {
    return "<p class=\"note\">No session record was kept for this phase.</p>\n";
  }
  const auto begin = InRecords(records, phase.record_begin->file);
  const auto end = InRecords(records, phase.record_end->file);
  if (!begin || !end) {
    return "<p class=\"gone\">The session record's marks name a file outside the records' "
           "folder; it is not shown.</p>\n";
  }
  std::string error;
  const auto slice = plan::ReadRecordSlice(
      {begin->string(), static_cast<std::uint64_t>(phase.record_begin->offset),
       static_cast<std::uint64_t>(phase.record_begin->sequence)},
      {end->string(), static_cast<std::uint64_t>(phase.record_end->offset),
       static_cast<std::uint64_t>(phase.record_end->sequence)},
      error);
  if (!slice) {
    std::error_code ignored;
    const bool gone = !fs::exists(*begin, ignored) || !fs::exists(*end, ignored);
    return std::string("<p class=\"gone\">") + (gone ? "Gone: " : "Cannot be shown: ") +
           Escape(error) + "</p>\n";
  }
  std::string html =
      "<details><summary>Session record, lines " + std::to_string(phase.record_begin->sequence) +
      " to " + std::to_string(phase.record_end->sequence) +
      "</summary>\n<table class=\"record\"><tr><th>line</th><th>kind</th><th>port</th>"
      "<th>hex</th><th>text</th></tr>\n";
  std::size_t shown = 0, lines = 0;
  for (std::size_t from = 0; from < slice->size();) {
    std::size_t to = slice->find('\n', from);
    if (to == std::string::npos) to = slice->size();
    if (to > from) {
      if (shown < kMostSliceLines) {
        html += LineRow(std::string_view(*slice).substr(from, to - from));
        ++shown;
      }
      ++lines;
    }
    from = to + 1;
  }
  html += "</table>\n";
  if (lines > shown) {
    html += "<p class=\"note\">" + std::to_string(lines - shown) +
            " more lines are in the record.</p>\n";
  }
  return html + "</details>\n";
}

}  // namespace report
