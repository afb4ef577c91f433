// Texts written as whole sentences with numbered places ("{1}", "{2}",
// ...) that values fill in, so that each sentence can be read, and
// changed, in one piece where the texts are kept.
#ifndef OVIK_PRESENT_FILL_H_
#define OVIK_PRESENT_FILL_H_

#include <concepts>
#include <initializer_list>
#include <string>
#include <string_view>

namespace ovik {

// One value for a place: text as it is, a whole number in decimal.
// Made implicitly, so that a call reads Fill(text, {path, count}).
class FillValue {
 public:
  FillValue(std::string_view text) : text_(text) {}
  FillValue(const std::string& text) : text_(text) {}
  FillValue(const char* text) : text_(text) {}
  template <std::integral Number>
    requires(!std::same_as<Number, char> && !std::same_as<Number, bool>)
  FillValue(Number n) : text_(std::to_string(n)) {}

  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// |text| with each "{N}" (N from 1 to 9) replaced by the Nth value; a
// place without a value, and any other brace, is kept as written.
std::string Fill(std::string_view text,
                 std::initializer_list<FillValue> values);

}  // namespace ovik

#endif  // OVIK_PRESENT_FILL_H_
