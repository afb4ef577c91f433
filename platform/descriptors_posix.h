// How many more file descriptors this process may open: the soft
// RLIMIT_NOFILE less those open now; and the standard ones kept taken.
#ifndef OVIK_PLATFORM_DESCRIPTORS_POSIX_H_
#define OVIK_PLATFORM_DESCRIPTORS_POSIX_H_

#include <cstdint>

#include "platform/status.h"

namespace ovik {

// Descriptors that may still be opened, less |kept| left for others; 0
// when there are not that many. kUnsupported when there is no limit.
Status SpareDescriptors(std::uint64_t kept, std::uint64_t* spare);

// Standard input, output and error that were closed (`>&-`) are given
// a descriptor of the root directory that can be neither read nor
// written: no file opened later takes their numbers (a report's
// temporary must never receive what was meant for standard error), and
// writing to them, or opening /dev/stdout for writing, fails as it would
// have. Called first thing in main.
void KeepStandardDescriptorsTaken();

}  // namespace ovik

#endif  // OVIK_PLATFORM_DESCRIPTORS_POSIX_H_
