// Unsigned integers in as few bytes as they need (seven bits a byte, the
// high bit set on every byte but the last): the packed figures of a
// saved scan are mostly small numbers.
#ifndef OVIK_HISTORY_VARINT_H_
#define OVIK_HISTORY_VARINT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ovik {

inline void PutVarint(std::uint64_t n, std::string* out) {
  while (n >= 0x80) {
    out->push_back(static_cast<char>((n & 0x7f) | 0x80));
    n >>= 7;
  }
  out->push_back(static_cast<char>(n));
}

// Reads one number from |in| at |*at|, moving past it. False when the
// bytes end first or the number would not fit in 64 bits.
inline bool GetVarint(std::string_view in, std::size_t* at, std::uint64_t* n) {
  std::uint64_t value = 0;
  for (unsigned shift = 0; shift < 64; shift += 7) {
    if (*at >= in.size()) return false;
    const auto byte = static_cast<std::uint8_t>(in[(*at)++]);
    const std::uint64_t bits = byte & 0x7fu;
    if (shift == 63 && bits > 1) return false;
    value |= bits << shift;
    if ((byte & 0x80u) == 0) {
      *n = value;
      return true;
    }
  }
  return false;
}

// Bytes of |in| at |*at| of the length that precedes them.
inline bool GetLengthPrefixed(std::string_view in, std::size_t* at,
                              std::string_view* bytes) {
  std::uint64_t size = 0;
  if (!GetVarint(in, at, &size) || size > in.size() - *at) return false;
  *bytes = in.substr(*at, static_cast<std::size_t>(size));
  *at += static_cast<std::size_t>(size);
  return true;
}

}  // namespace ovik

#endif  // OVIK_HISTORY_VARINT_H_
