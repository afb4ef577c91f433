#include "present/export/html_text.h"

#include "present/display_name.h"

namespace ovik {

std::string EscapeHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
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
      default:
        out += c;
    }
  }
  return out;
}

std::string ShownHtml(std::string_view bytes) {
  return EscapeHtml(SanitizeName(bytes));
}

std::string ShownSvg(std::string_view bytes) {
  return "<tspan style=\"unicode-bidi:isolate\">" +
         EscapeHtml(SanitizeName(bytes)) + "</tspan>";
}

std::string GroupDigits(std::uint64_t n) {
  const std::string digits = std::to_string(n);
  std::string out;
  out.reserve(digits.size() + digits.size() / 3);
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i != 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

}  // namespace ovik
