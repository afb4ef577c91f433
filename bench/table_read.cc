// Counts a mounted volume the two ways, for bench/tables:
//   ovik_table_read tables MOUNT [THREADS]   reads the volume's table
//   ovik_table_read walk MOUNT [THREADS]     walks it with the scan
// Both add up every owner's bytes and files and print the files and
// bytes counted, so the two can be timed (and checked) side by side.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/filesystem.h"
#include "scan/scan.h"

namespace {

// What one thread counts: bytes and files per owner key.
class Tally final : public ovik::TableSink {
 public:
  void Add(const ovik::Entry& entry) override {
    Totals& totals = owners_[entry.owner_key];
    totals.bytes += entry.size;
    ++totals.files;
  }
  void AddTo(std::uint64_t* files, std::uint64_t* bytes) const {
    for (const auto& [key, totals] : owners_) {
      *files += totals.files;
      *bytes += totals.bytes;
    }
  }

 private:
  struct Totals {
    std::uint64_t bytes = 0;
    std::uint64_t files = 0;
  };
  std::unordered_map<std::string, Totals> owners_;
};

int ReadTable(ovik::FileSystem& fs, const char* mount, unsigned threads) {
  ovik::TableOpenResult opened = fs.OpenTable(mount);
  if (!opened.table) {
    std::fprintf(stderr, "no table: %s\n", opened.reason.c_str());
    return 1;
  }
  ovik::VolumeTable& table = *opened.table;
  std::vector<Tally> tallies(threads);
  std::atomic<unsigned> next{0};
  std::atomic<bool> failed{false};
  std::vector<std::thread> pool;
  for (unsigned t = 0; t < threads; ++t) {
    pool.emplace_back([&, t] {
      for (unsigned part; (part = next++) < table.PartCount();) {
        if (!table.ReadPart(part, tallies[t]).ok()) failed = true;
      }
    });
  }
  for (std::thread& thread : pool) thread.join();
  std::uint64_t files = 0, bytes = 0;
  for (const Tally& tally : tallies) tally.AddTo(&files, &bytes);
  std::printf("%s: %llu files, %llu bytes, %u parts%s\n",
              table.Description().c_str(),
              static_cast<unsigned long long>(files),
              static_cast<unsigned long long>(bytes), table.PartCount(),
              failed ? ", some unreadable" : "");
  return failed ? 3 : 0;
}

int Walk(ovik::FileSystem& fs, const char* mount, unsigned threads) {
  const ovik::ScanResult result = ovik::RunScan(fs, mount, {.threads = threads});
  if (!result.ok()) {
    std::fprintf(stderr, "the walk failed\n");
    return 1;
  }
  std::printf("walk: %llu files, %llu bytes\n",
              static_cast<unsigned long long>(result.stats.files),
              static_cast<unsigned long long>(result.stats.bytes));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string method = argc > 2 ? argv[1] : "";
  if (method != "tables" && method != "walk") {
    std::fprintf(stderr, "usage: %s tables|walk MOUNT [THREADS]\n", argv[0]);
    return 2;
  }
  const unsigned threads =
      argc > 3 ? static_cast<unsigned>(std::atoi(argv[3])) : 4;
  auto fs = ovik::MakeSystemFileSystem();
  const int status = method == "tables" ? ReadTable(*fs, argv[2], threads ? threads : 1)
                                        : Walk(*fs, argv[2], threads);
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? status : 1;
}
