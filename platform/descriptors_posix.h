// How many more file descriptors this process may open: the soft
// RLIMIT_NOFILE less those open now.
#ifndef OVIK_PLATFORM_DESCRIPTORS_POSIX_H_
#define OVIK_PLATFORM_DESCRIPTORS_POSIX_H_

#include <cstdint>

#include "platform/status.h"

namespace ovik {

// Descriptors that may still be opened, less |kept| left for others; 0
// when there are not that many. kUnsupported when there is no limit.
Status SpareDescriptors(std::uint64_t kept, std::uint64_t* spare);

}  // namespace ovik

#endif  // OVIK_PLATFORM_DESCRIPTORS_POSIX_H_
