// A file system whose every metadata call waits a fixed time first, as
// calls to a network file system's metadata servers do: the benchmarks
// show with it how a walk spread over processes hides that latency.
// Only the benchmarks build it.
#ifndef OVIK_BENCH_SLOW_FILESYSTEM_H_
#define OVIK_BENCH_SLOW_FILESYSTEM_H_

#include <chrono>
#include <memory>

#include "platform/filesystem.h"

namespace ovik {

// |inner| with |delay| before each directory opened and each entry read
// (an entry's status comes with it).
std::unique_ptr<FileSystem> MakeSlowFileSystem(
    std::unique_ptr<FileSystem> inner, std::chrono::microseconds delay);

}  // namespace ovik

#endif  // OVIK_BENCH_SLOW_FILESYSTEM_H_
