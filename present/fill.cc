#include "present/fill.h"

namespace ovik {

std::string Fill(std::string_view text,
                 std::initializer_list<FillValue> values) {
  std::string out;
  out.reserve(text.size() + 32);
  std::size_t i = 0;
  while (i < text.size()) {
    const bool place = text[i] == '{' && i + 2 < text.size() &&
                       text[i + 1] >= '1' && text[i + 1] <= '9' &&
                       text[i + 2] == '}';
    if (place) {
      const auto n = static_cast<std::size_t>(text[i + 1] - '1');
      if (n < values.size()) {
        out += values.begin()[n].text();
        i += 3;
        continue;
      }
    }
    out += text[i];
    ++i;
  }
  return out;
}

}  // namespace ovik
