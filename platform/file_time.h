// Windows' file times (100 ns since 1601, UTC) as the scan counts times:
// seconds since 1970.
#ifndef OVIK_PLATFORM_FILE_TIME_H_
#define OVIK_PLATFORM_FILE_TIME_H_

#include <cstdint>

namespace ovik {

// 0 for a file time of 0, which stands for none.
inline std::int64_t SecondsSince1970(std::uint64_t file_time) {
  constexpr std::int64_t kSeconds1601To1970 = 11644473600;
  if (file_time == 0) return 0;
  return static_cast<std::int64_t>(file_time / 10000000) - kSeconds1601To1970;
}

}  // namespace ovik

#endif  // OVIK_PLATFORM_FILE_TIME_H_
