// Ovik.exe's two ways to count a volume, timed on the same drive (under
// Wine by bench/ntfs_table.sh, or on Windows): the scan as the dialog runs
// it, once through the master file table (read through the raw volume)
// and once walking the folders. Prints each one's files, bytes and time.
//   ovik_ntfs_table_vs_walk X: [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/filesystem.h"
#include "scan/scan.h"

namespace {

using Clock = std::chrono::steady_clock;

// The best time of |runs| scans of |root| counted by |method|; false when
// one fails.
bool Measure(ovik::FileSystem& fs, const std::string& root,
             ovik::CountMethod method, int runs, const char* name) {
  double best = 0;
  ovik::ScanResult result;
  for (int run = 0; run < runs; ++run) {
    ovik::ScanOptions options;  // threads as the dialog has them
    options.method = method;
    const auto start = Clock::now();
    result = ovik::RunScan(fs, root, options);
    const double seconds =
        std::chrono::duration<double>(Clock::now() - start).count();
    if (!result.ok()) {
      std::fprintf(stderr, "%s: %s %s\n", name, result.status.ToString().c_str(),
                   result.tables_refused.c_str());
      return false;
    }
    if (run == 0 || seconds < best) best = seconds;
  }
  std::printf("%s (%s): %llu files, %llu bytes, %llu unreadable, %zu owners, "
              "best of %d: %.3f s on %u threads\n",
              name, result.method.c_str(),
              static_cast<unsigned long long>(result.stats.files),
              static_cast<unsigned long long>(result.stats.bytes),
              static_cast<unsigned long long>(result.stats.unreadable_entries),
              result.table.size(), runs, best, result.stats.threads);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: ovik_ntfs_table_vs_walk X: [RUNS]\n");
    return 2;
  }
  const std::string root = std::string(argv[1]) + "\\";
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  std::unique_ptr<ovik::FileSystem> fs = ovik::MakeSystemFileSystem();
  if (!Measure(*fs, root, ovik::CountMethod::kTables, runs, "table") ||
      !Measure(*fs, root, ovik::CountMethod::kWalk, runs, "walk")) {
    return 1;
  }
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) return 1;
  return 0;
}
