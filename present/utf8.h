// UTF-8 taken apart and put together: the program's one decoder. A byte
// that does not belong to a well-formed sequence (the ranges of the
// Unicode standard's table: no overlong forms, no surrogates, nothing
// beyond U+10FFFF) counts as one character of its own.
#ifndef OVIK_PRESENT_UTF8_H_
#define OVIK_PRESENT_UTF8_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace ovik {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// The character at the start of |text| and the bytes it takes. Returns 0
// when |text| is empty or does not start with a well-formed sequence
// (the first byte is then a stray byte).
std::size_t DecodeUtf8Char(std::string_view text, char32_t* code_point);

// Every character of |utf8|; each stray byte becomes U+FFFD.
std::u32string DecodeUtf8(std::string_view utf8);

// Code points that cannot be encoded (surrogates, beyond U+10FFFF)
// become U+FFFD.
std::string EncodeUtf8(std::u32string_view text);

}  // namespace ovik

#endif  // OVIK_PRESENT_UTF8_H_
