// ovik-mpi on a file system slowed to the pace of a network file system's
// metadata: OVIK_BENCH_DELAY_US microseconds (100 unless given) before
// each directory opened and each entry read.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "bench/slow_filesystem.h"
#include "programs/ovik-mpi/mpi_program.h"

int main(int argc, char** argv) {
  long long delay = 100;
  if (const char* given = std::getenv("OVIK_BENCH_DELAY_US")) {
    char* end = nullptr;
    delay = std::strtoll(given, &end, 10);
    if (end == given || *end != '\0' || delay < 0) {
      delay = -1;
    }
  }
  if (delay < 0) {
    std::fputs("ovik-mpi-slow: OVIK_BENCH_DELAY_US must be microseconds\n",
               stderr);
    return 2;
  }
  auto fs = ovik::MakeSlowFileSystem(ovik::MakeSystemFileSystem(),
                                     std::chrono::microseconds(delay));
  return ovik::RunMpiProgram(argc, argv, *fs, ovik::ClusterSettings{});
}
