// Ovik.exe's two ways to count a volume, timed on the same drive (under
// Wine by bench/ntfs_table.sh, or on Windows): the master file table,
// read through the raw volume with its parts spread over threads, and the
// walk as the dialog runs it. Prints each one's files, bytes and time.
//   ovik_ntfs_table_vs_walk X: [RUNS]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/filesystem.h"
#include "scan/scan.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Tally : ovik::TableSink {
  std::uint64_t files = 0;
  std::uint64_t bytes = 0;
  std::uint64_t unreadable = 0;
  std::map<std::string, std::uint64_t> owners;  // bytes by owner SID
  void Add(const ovik::Entry& entry) override {
    ++files;
    bytes += entry.size;
    if (entry.owner_status != ovik::OwnerStatus::kKnown) ++unreadable;
    owners[entry.owner_key] += entry.size;
  }
};

// The table read on |threads| threads, each with its own tally.
bool ReadTable(ovik::FileSystem& fs, const std::string& root, unsigned threads,
               Tally* total) {
  ovik::TableOpenResult opened = fs.OpenTable(root);
  if (!opened.table) {
    std::fprintf(stderr, "no table: %s\n", opened.reason.c_str());
    return false;
  }
  std::vector<Tally> tallies(threads);
  std::atomic<unsigned> next{0};
  std::atomic<bool> failed{false};
  std::vector<std::thread> workers;
  for (unsigned t = 0; t < threads; ++t) {
    workers.emplace_back([&, t] {
      for (unsigned part; (part = next++) < opened.table->PartCount();) {
        if (!opened.table->ReadPart(part, tallies[t]).ok()) failed = true;
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
  for (const Tally& t : tallies) {
    total->files += t.files;
    total->bytes += t.bytes;
    total->unreadable += t.unreadable;
    for (const auto& [owner, bytes] : t.owners) total->owners[owner] += bytes;
  }
  return !failed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: ovik_ntfs_table_vs_walk X: [RUNS]\n");
    return 2;
  }
  const std::string root = std::string(argv[1]) + "\\";
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  const unsigned threads = std::max(4u, std::thread::hardware_concurrency());
  std::unique_ptr<ovik::FileSystem> fs = ovik::MakeSystemFileSystem();
  double table_best = 0, walk_best = 0;
  Tally table;
  ovik::ScanResult walk;
  for (int run = 0; run < runs; ++run) {
    Tally tally;
    auto start = Clock::now();
    if (!ReadTable(*fs, root, threads, &tally)) return 1;
    const double table_seconds =
        std::chrono::duration<double>(Clock::now() - start).count();
    start = Clock::now();
    ovik::ScanOptions options;
    options.threads = 0;  // as the dialog runs it
    ovik::ScanResult result = ovik::RunScan(*fs, root, options);
    const double walk_seconds =
        std::chrono::duration<double>(Clock::now() - start).count();
    if (!result.ok()) {
      std::fprintf(stderr, "the walk failed\n");
      return 1;
    }
    if (run == 0 || table_seconds < table_best) table_best = table_seconds;
    if (run == 0 || walk_seconds < walk_best) walk_best = walk_seconds;
    table = std::move(tally);
    walk = std::move(result);
  }
  std::printf(
      "table: %llu files, %llu bytes, %llu unreadable, %zu owners, "
      "best of %d: %.3f s on %u threads\n",
      static_cast<unsigned long long>(table.files),
      static_cast<unsigned long long>(table.bytes),
      static_cast<unsigned long long>(table.unreadable), table.owners.size(),
      runs, table_best, threads);
  std::printf(
      "walk: %llu files, %llu bytes, %llu unreadable, "
      "best of %d: %.3f s on %u threads\n",
      static_cast<unsigned long long>(walk.stats.files),
      static_cast<unsigned long long>(walk.stats.bytes),
      static_cast<unsigned long long>(walk.stats.unreadable_entries), runs,
      walk_best, walk.stats.threads);
  std::printf("walk / table: %.1f\n", walk_best / table_best);
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) return 1;
  return 0;
}
