// Little-endian numbers at a byte pointer, whatever the host's order and
// the pointer's alignment. Callers check the bounds first.
#ifndef OVIK_PLATFORM_NTFS_LITTLE_ENDIAN_H_
#define OVIK_PLATFORM_NTFS_LITTLE_ENDIAN_H_

#include <cstdint>

namespace ovik::ntfs {

inline std::uint16_t Le16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t Le32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) |
         (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}

inline std::uint64_t Le64(const std::uint8_t* p) {
  return std::uint64_t{Le32(p)} | (std::uint64_t{Le32(p + 4)} << 32);
}

inline void PutLe16(std::uint8_t* p, std::uint16_t value) {
  p[0] = static_cast<std::uint8_t>(value);
  p[1] = static_cast<std::uint8_t>(value >> 8);
}

}  // namespace ovik::ntfs

#endif  // OVIK_PLATFORM_NTFS_LITTLE_ENDIAN_H_
