// Byte totals that stop at the largest figure instead of wrapping: sparse
// files can claim sizes whose sum passes 2^64 bytes, and a total that
// wrapped would rank its owner near the bottom. A total at the largest
// figure reads "at least this much".
#ifndef OVIK_SCAN_SATURATING_H_
#define OVIK_SCAN_SATURATING_H_

#include <atomic>
#include <cstdint>
#include <limits>

namespace ovik {

inline constexpr std::uint64_t kMaxTotal =
    std::numeric_limits<std::uint64_t>::max();

inline std::uint64_t SaturatingAdd(std::uint64_t a, std::uint64_t b) {
  return a > kMaxTotal - b ? kMaxTotal : a + b;
}

inline std::uint64_t SaturatingMultiply(std::uint64_t a, std::uint64_t b) {
  return b != 0 && a > kMaxTotal / b ? kMaxTotal : a * b;
}

// The same on a figure other threads read and add to.
inline void SaturatingAdd(std::atomic<std::uint64_t>& total, std::uint64_t b) {
  std::uint64_t seen = total.load(std::memory_order_relaxed);
  while (!total.compare_exchange_weak(seen, SaturatingAdd(seen, b),
                                      std::memory_order_relaxed)) {
  }
}

}  // namespace ovik

#endif  // OVIK_SCAN_SATURATING_H_
