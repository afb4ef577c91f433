// Reads the master file table of an NTFS image (bench/ntfs_table.sh makes
// them) the way Ovik.exe reads a volume's, and reports how fast: opening
// (boot sector, the table's runs and bitmap, $Secure) and reading every
// part, on one thread unless told otherwise, best of several runs.
//   ovik_ntfs_table IMAGE [--runs N] [--threads N] [--sector BYTES]
//                   [--owners] [--list]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/ntfs/image_file_posix.h"
#include "platform/ntfs/master_file_table.h"

namespace {

using Clock = std::chrono::steady_clock;

// Totals of one read, per owner SID (its bytes).
std::string SidText(const std::string& sid);

struct Totals : ovik::TableSink {
  struct Owner {
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
  };
  std::mutex mutex;
  std::map<std::string, Owner> owners;
  std::uint64_t files = 0;
  std::uint64_t unreadable = 0;
  bool list = false;

  void Add(const ovik::Entry& entry) override {
    std::lock_guard<std::mutex> lock(mutex);
    if (list) {
      std::printf("  record %llu: kind %d, %llu bytes, %u names, owner %s\n",
                  static_cast<unsigned long long>(entry.inode),
                  static_cast<int>(entry.kind),
                  static_cast<unsigned long long>(entry.size), entry.links,
                  SidText(entry.owner_key).c_str());
    }
    ++files;
    if (entry.owner_status != ovik::OwnerStatus::kKnown) ++unreadable;
    Owner& owner = owners[entry.owner_key];
    ++owner.files;
    owner.bytes += entry.size;
  }
};

std::string SidText(const std::string& sid) {
  if (sid.size() < 8) return "(unreadable)";
  const auto* b = reinterpret_cast<const unsigned char*>(sid.data());
  std::uint64_t authority = 0;
  for (int i = 2; i < 8; ++i) authority = authority << 8 | b[i];
  std::string text =
      "S-" + std::to_string(b[0]) + "-" + std::to_string(authority);
  for (std::size_t i = 8; i + 4 <= sid.size(); i += 4) {
    const std::uint32_t sub =
        b[i] | b[i + 1] << 8 | b[i + 2] << 16 | std::uint32_t{b[i + 3]} << 24;
    text += "-" + std::to_string(sub);
  }
  return text;
}

int Usage() {
  std::fprintf(stderr,
               "usage: ovik_ntfs_table IMAGE [--runs N] [--threads N] "
               "[--sector BYTES] [--owners] [--list]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string path = argv[1];
  int runs = 5;
  unsigned threads = 1;
  std::uint32_t sector = 512;
  bool show_owners = false;
  bool list = false;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--owners") {
      show_owners = true;
    } else if (arg == "--list") {
      list = true;
    } else if (i + 1 < argc && arg == "--runs") {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (i + 1 < argc && arg == "--threads") {
      threads = static_cast<unsigned>(std::max(1, std::atoi(argv[++i])));
    } else if (i + 1 < argc && arg == "--sector") {
      sector = static_cast<std::uint32_t>(std::atoi(argv[++i]));
    } else {
      return Usage();
    }
  }

  double best = 0;
  for (int run = 0; run < runs; ++run) {
    const auto start = Clock::now();
    std::unique_ptr<ovik::ntfs::ImageFile> image;
    const ovik::Status opened =
        ovik::ntfs::ImageFile::Open(path, sector, &image);
    if (!opened.ok()) {
      std::fprintf(stderr, "%s: %s\n", path.c_str(), opened.ToString().c_str());
      return 1;
    }
    ovik::TableRefusal refusal;
    std::string reason;
    auto table =
        ovik::ntfs::MasterFileTable::Open(std::move(image), &refusal, &reason);
    if (!table) {
      std::fprintf(stderr, "%s: %s\n", path.c_str(), reason.c_str());
      return 1;
    }
    Totals totals;
    totals.list = list && run + 1 == runs;
    std::atomic<unsigned> next{0};
    std::atomic<bool> failed{false};
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < threads; ++t) {
      workers.emplace_back([&] {
        for (unsigned part; (part = next++) < table->PartCount();) {
          if (!table->ReadPart(part, totals).ok()) failed = true;
        }
      });
    }
    for (std::thread& worker : workers) worker.join();
    const double seconds =
        std::chrono::duration<double>(Clock::now() - start).count();
    if (failed) {
      std::fprintf(stderr, "%s: a part could not be read\n", path.c_str());
      return 1;
    }
    if (run == 0 || seconds < best) best = seconds;
    if (run + 1 < runs) continue;
    const auto& g = table->geometry();
    std::printf("image: %s\n", path.c_str());
    std::printf(
        "geometry: %u-byte sectors, %u-byte clusters, %u-byte records\n",
        g.sector_size, g.cluster_size, g.record_size);
    std::printf(
        "table: %llu records in %zu run(s), %u parts, %zu security ids\n",
        static_cast<unsigned long long>(table->record_count()),
        table->table_run_count(), table->PartCount(),
        table->security_id_count());
    std::printf("files: %llu (%llu unreadable), %zu owners\n",
                static_cast<unsigned long long>(totals.files),
                static_cast<unsigned long long>(totals.unreadable),
                totals.owners.size());
    if (show_owners) {
      for (const auto& [sid, owner] : totals.owners) {
        std::printf("  %s: %llu files, %llu bytes\n", SidText(sid).c_str(),
                    static_cast<unsigned long long>(owner.files),
                    static_cast<unsigned long long>(owner.bytes));
      }
    }
    std::printf("best of %d: %.3f s, %.0f records/s on %u thread(s)\n", runs,
                best, static_cast<double>(table->record_count()) / best,
                threads);
  }
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) return 1;
  return 0;
}
