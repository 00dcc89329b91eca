#include "report/html.h"

#include <cstdio>

namespace report {

namespace {

// Light and print-friendly; system fonts only.
constexpr const char* kStyle = R"css(
body { font: 14px/1.4 sans-serif; color: #222; margin: 24px; max-width: 1100px; }
h1 { font-size: 22px; margin: 0 0 4px; } h2 { font-size: 18px; margin: 28px 0 8px; }
h3 { font-size: 15px; margin: 18px 0 6px; }
table { border-collapse: collapse; margin: 6px 0 12px; }
th, td { border: 1px solid #ccc; padding: 2px 8px; text-align: left; vertical-align: top; }
th { background: #f0f0f0; } td.n { text-align: right; font-variant-numeric: tabular-nums; }
.PASS { color: #17702f; } .FAIL, .ERROR, .TIMEOUT, .ABORTED { color: #b3261e; font-weight: bold; }
.SKIPPED { color: #777; } .note { color: #555; } .gone { color: #b3261e; }
svg { display: block; margin: 6px 0; background: #fff; }
svg text { font: 11px sans-serif; fill: #333; }
.record td { font: 12px monospace; white-space: pre-wrap; word-break: break-all; }
details { margin: 4px 0 10px; } summary { cursor: pointer; color: #1a4d8f; }
a { color: #1a4d8f; }
)css";

}  // namespace

std::string Escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      case '\t':
      case '\n':
        out += c;
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
          out += "\xEF\xBF\xBD";
        } else {
          out += c;
        }
    }
  }
  return out;
}

std::string Href(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : path) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
    if (plain) {
      out += c;
    } else {
      const auto byte = static_cast<unsigned char>(c);
      out += {'%', kHex[byte >> 4], kHex[byte & 0xF]};
    }
  }
  return out;
}

std::string PageStart(std::string_view title, std::optional<std::string_view> root) {
  std::string page = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n<title>" +
                     Escape(title) + "</title>\n<style>" + kStyle + "</style></head>\n<body>\n";
  if (root)
    page += "<p><a href=\"" + Href(std::string(*root) + "index.html") + "\">Overview</a></p>\n";
  return page + "<h1>" + Escape(title) + "</h1>\n";
}

std::string PageEnd() { return "</body></html>\n"; }

namespace {

// `value` as printf's `format` writes it, with `precision`.
std::string Printed(const char* format, int precision, double value) {
  char text[512];  // the widest double in %f, with its decimals
  std::snprintf(text, sizeof text, format, precision, value);
  return text;
}

}  // namespace

std::string Fixed(std::optional<double> value, int decimals) {
  return value ? Printed("%.*f", decimals, *value) : "-";
}

std::string Number(std::optional<double> value) { return value ? Printed("%.*g", 6, *value) : "-"; }

std::string Percent(double share) { return Fixed(share * 100, 1) + " %"; }

}  // namespace report
