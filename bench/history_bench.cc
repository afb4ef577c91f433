// The history at scale: writes ten years of nightly scans of one volume
// with a thousand owners into a new history file, then times what the
// commands do with it and gives the file's size.
//
//   ovik_history_bench FILE [NIGHTS [OWNERS]]      (3650 and 1000)
//
// FILE must not exist. The nights are made up, the same on every run:
// each owner holds a tree of directories under home/<name>/ whose sizes
// are spread as real homes are (a few large, many small); every night
// some owners write (a fifth of them are busy and write on most nights,
// half now and then, the rest hardly ever), growing or shrinking a few
// directories, now and then adding or removing one; bytes age from
// "under 30 days" to "under a year" to older. Each scan saves the owners'
// directories by the history's own rule, their 50 groups, and the facts;
// one scan in a hundred is incomplete.
//
// Timed, each the median of several runs on the finished file, as the
// commands will do it (open, work, close):
//   save      one more night saved (the scan itself not counted)
//   growth    who grew between the newest scan and the one before
//   where     where one owner grew, the same two scans
//   10 years  who grew over all ten years, with the html page's chart of
//             the eight largest owners over every scan
//   history   the listing of every saved scan, as text
//   prune     removing the oldest year (on a copy of the file)
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "history/growth_query.h"
#include "history/history.h"
#include "present/history/growth_export.h"
#include "present/history/scan_listing.h"

namespace ovik {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kGroups = 50;
constexpr std::uint64_t kAverageFile = 256 * 1024;

struct Leaf {
  std::string path;
  std::uint64_t bytes = 0;
};

struct Account {
  std::string name;
  double activity = 0;  // chance of writing on a night
  std::vector<Leaf> leaves;
  std::uint64_t recent = 0;  // written in the last 30 days
  std::uint64_t year = 0;    // in the last year, not the last 30 days
  std::vector<SavedDirectory> notable;
};

class Model {
 public:
  Model(int owners, std::uint64_t seed) : random_(seed) {
    for (int i = 0; i < owners; ++i) {
      char name[16];
      std::snprintf(name, sizeof name, "user%04d", i);
      Account a;
      a.name = name;
      const double kind = Uniform();
      a.activity = kind < 0.2 ? 0.5 : kind < 0.7 ? 0.05 : 0.002;
      // Most homes hold tens of directories, a few hundreds.
      const int leaves = 3 + static_cast<int>(std::exp(Normal(2.5, 1.0)));
      for (int l = 0; l < std::min(leaves, 400); ++l) AddLeaf(&a);
      for (const Leaf& leaf : a.leaves) a.year += leaf.bytes / 4;
      Select(&a);
      accounts_.push_back(std::move(a));
    }
  }

  // One night: some owners write, bytes grow older.
  void Night() {
    for (Account& a : accounts_) {
      a.year += a.recent / 30;
      a.recent -= a.recent / 30;
      a.year -= a.year / 335;
      if (Uniform() >= a.activity) continue;
      const int changes = 1 + static_cast<int>(Uniform() * 3);
      for (int c = 0; c < changes; ++c) {
        const double what = Uniform();
        if (what < 0.1 || a.leaves.empty()) {
          a.recent += AddLeaf(&a);
        } else if (what < 0.15 && a.leaves.size() > 1) {
          const std::size_t gone = Pick(a.leaves.size());
          a.leaves.erase(a.leaves.begin() + static_cast<std::ptrdiff_t>(gone));
        } else {
          Leaf& leaf = a.leaves[Pick(a.leaves.size())];
          const double factor = Normal(1.03, 0.08);
          const auto now = static_cast<std::uint64_t>(
              static_cast<double>(leaf.bytes) * std::max(0.2, factor));
          if (now > leaf.bytes) a.recent += now - leaf.bytes;
          leaf.bytes = now;
        }
      }
      Select(&a);
    }
  }

  SavedScan Scan(int night) {
    using namespace std::chrono;
    SavedScan scan;
    ScanFacts& f = scan.facts;
    f.series = {"uuid:5f0c2a1e-bench", "/"};
    f.started = sys_days(year(2015) / January / 1) + days(night) + hours(2);
    f.finished = f.started + minutes(40);
    f.root = f.mount_point = "/srv";
    f.volume_label = "srv";
    f.method = "walk";
    f.threads = 4;
    f.complete = night % 100 != 99;
    if (!f.complete) f.missing.skipped_directories = 3;
    f.capacity_bytes = 200ull << 40;
    std::vector<SavedOwner> groups(kGroups);
    for (int g = 0; g < kGroups; ++g) {
      groups[g].who = {WhoKind::kGid, std::to_string(2000 + g)};
      groups[g].name = "team" + std::to_string(g);
      groups[g].by_modification = AgeBuckets{};
    }
    for (std::size_t i = 0; i < accounts_.size(); ++i) {
      const Account& a = accounts_[i];
      SavedOwner o;
      o.who = {WhoKind::kUid, std::to_string(1000 + i)};
      o.name = a.name;
      for (const Leaf& leaf : a.leaves) o.bytes += leaf.bytes;
      o.files = o.bytes / kAverageFile + a.leaves.size();
      const std::uint64_t recent = std::min(a.recent, o.bytes);
      const std::uint64_t year = std::min(a.year, o.bytes - recent);
      o.by_modification = AgeBuckets{recent, year, o.bytes - recent - year};
      o.directories = a.notable;
      SavedOwner& g = groups[i % kGroups];
      g.bytes += o.bytes;
      g.files += o.files;
      g.by_modification->under_30_days += recent;
      g.by_modification->under_1_year += year;
      g.by_modification->older += o.bytes - recent - year;
      f.total_bytes += o.bytes;
      f.total_files += o.files;
      scan.owners.push_back(std::move(o));
    }
    scan.groups = std::move(groups);
    return scan;
  }

  std::size_t SavedDirectories() const {
    std::size_t n = 0;
    for (const Account& a : accounts_) n += a.notable.size();
    return n;
  }

 private:
  double Uniform() { return std::uniform_real_distribution<>(0, 1)(random_); }
  double Normal(double mean, double sd) {
    return std::normal_distribution<>(mean, sd)(random_);
  }
  std::size_t Pick(std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
  }

  // A new directory of files somewhere in the owner's home.
  std::uint64_t AddLeaf(Account* a) {
    Leaf leaf;
    leaf.path = "home/" + a->name;
    const int depth = 1 + static_cast<int>(Uniform() * 4);
    for (int level = 0; level < depth; ++level) {
      leaf.path += "/" + std::string(1, static_cast<char>('a' + level)) +
                   std::to_string(Pick(level == 0 ? 6 : 10));
    }
    leaf.bytes = static_cast<std::uint64_t>(std::exp(Normal(19, 2.5)));
    for (Leaf& old : a->leaves) {
      if (old.path == leaf.path) {
        old.bytes += leaf.bytes;
        return leaf.bytes;
      }
    }
    a->leaves.push_back(leaf);
    return leaf.bytes;
  }

  // The owner's directories as a scan lists them (a chain of directories
  // holding the same bytes once, at its deepest), chosen by the
  // history's rule.
  static void Select(Account* a) {
    std::map<std::string, std::uint64_t> bytes;
    std::map<std::string, std::uint64_t> files;
    std::uint64_t total = 0;
    for (const Leaf& leaf : a->leaves) {
      total += leaf.bytes;
      const std::uint64_t n = leaf.bytes / kAverageFile + 1;
      bytes[""] += leaf.bytes;
      files[""] += n;
      for (std::size_t at = leaf.path.find('/'); at != std::string::npos;
           at = leaf.path.find('/', at + 1)) {
        bytes[leaf.path.substr(0, at)] += leaf.bytes;
        files[leaf.path.substr(0, at)] += n;
      }
      bytes[leaf.path] += leaf.bytes;
      files[leaf.path] += n;
    }
    std::map<std::string, std::uint64_t> whole_child;  // a child holding all
    for (const auto& [path, b] : bytes) {
      if (path.empty()) continue;
      const std::size_t slash = path.rfind('/');
      const std::string parent =
          slash == std::string::npos ? "" : path.substr(0, slash);
      if (bytes[parent] == b) whole_child[parent] = b;
    }
    std::vector<SavedDirectory> candidates;
    for (const auto& [path, b] : bytes) {
      if (whole_child.count(path) == 0) {
        candidates.push_back({path, b, files[path]});
      }
    }
    a->notable = SelectNotableDirectories(std::move(candidates), total);
  }

  std::mt19937_64 random_;
  std::vector<Account> accounts_;
};

double Milliseconds(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

struct Timing {
  double wall = 0;  // milliseconds
  double cpu = 0;   // of this process, milliseconds
};

// The medians of |runs| timings; |work| times itself (what it prepares
// first is not counted) and gives a negative figure when it failed.
Timing Median(int runs, const std::function<Timing()>& work) {
  std::vector<double> wall;
  std::vector<double> cpu;
  for (int i = 0; i < runs; ++i) {
    const Timing t = work();
    if (t.wall < 0) {
      std::fprintf(stderr, "ovik_history_bench: a timed run failed\n");
      std::exit(1);
    }
    wall.push_back(t.wall);
    cpu.push_back(t.cpu);
  }
  std::sort(wall.begin(), wall.end());
  std::sort(cpu.begin(), cpu.end());
  return {wall[wall.size() / 2], cpu[cpu.size() / 2]};
}

// |work| timed; a negative wall time when it failed.
Timing Timed(const std::function<bool()>& work) {
  const std::clock_t cpu = std::clock();
  const Clock::time_point start = Clock::now();
  if (!work()) return {-1, 0};
  return {Milliseconds(Clock::now() - start),
          1000.0 * static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC};
}

bool Check(const HistoryStatus& status) {
  if (!status.ok()) std::fprintf(stderr, "%s\n", status.message().c_str());
  return status.ok();
}

std::unique_ptr<History> Open(const std::string& path, bool write) {
  HistoryOptions options;
  options.write = write;
  options.create = write;
  std::unique_ptr<History> history;
  if (!Check(History::Open(path, options, &history))) std::exit(1);
  return history;
}

bool RunGrowth(const std::string& path, GrowthQuery query, bool html,
               std::string* out) {
  std::unique_ptr<History> history = Open(path, false);
  GrowthAnswer answer;
  if (!Check(QueryGrowth(*history, query, &answer))) return false;
  *out = html ? BuildGrowthHtml(answer, 0) : BuildGrowthText(answer, 20);
  return !out->empty();
}

}  // namespace
}  // namespace ovik

int main(int argc, char** argv) {
  using namespace ovik;
  if (argc < 2 || argc > 4) {
    std::fprintf(stderr, "usage: %s FILE [NIGHTS [OWNERS]]\n", argv[0]);
    return 2;
  }
  const std::string path = argv[1];
  const int nights = argc > 2 ? std::atoi(argv[2]) : 3650;
  const int owners = argc > 3 ? std::atoi(argv[3]) : 1000;
  if (nights < 2 || owners < 1 || access(path.c_str(), F_OK) == 0) {
    std::fprintf(stderr, "%s: FILE must not exist, NIGHTS be 2 or more\n",
                 argv[0]);
    return 2;
  }

  Model model(owners, 20240101);
  const Clock::time_point start = Clock::now();
  std::size_t directories = 0;
  {
    std::unique_ptr<History> history = Open(path, true);
    for (int night = 0; night < nights; ++night) {
      if (night > 0) model.Night();
      directories += model.SavedDirectories();
      if (!Check(history->Save(model.Scan(night)))) return 1;
      if (night % 365 == 364) {
        std::fprintf(stderr, "%d nights saved\n", night + 1);
      }
    }
  }
  const double generated = Milliseconds(Clock::now() - start) / 1000;

  int night = nights;
  const Timing save = Median(5, [&] {
    model.Night();
    const SavedScan scan = model.Scan(night++);
    return Timed([&] {
      std::unique_ptr<History> history = Open(path, true);
      return Check(history->Save(scan));
    });
  });

  GrowthQuery query;
  query.series = {"uuid:5f0c2a1e-bench", "/"};
  query.path = "/srv";
  std::string out;
  const Timing growth = Median(7, [&] {
    return Timed([&] { return RunGrowth(path, query, false, &out); });
  });
  GrowthQuery where = query;
  where.owner = "user0000";
  const Timing where_time = Median(7, [&] {
    return Timed([&] { return RunGrowth(path, where, false, &out); });
  });
  GrowthQuery decade = query;
  decade.since = std::chrono::sys_days(std::chrono::year(2015) / 1 / 1) +
                 std::chrono::hours(3);
  decade.chart_lines = 8;
  const Timing decade_time = Median(3, [&] {
    return Timed([&] { return RunGrowth(path, decade, true, &out); });
  });
  const std::string page = path + ".html";
  if (FILE* f = std::fopen(page.c_str(), "w")) {
    std::fwrite(out.data(), 1, out.size(), f);
    std::fclose(f);
  }
  const Timing listing = Median(7, [&] {
    return Timed([&] {
      std::unique_ptr<History> history = Open(path, false);
      std::vector<ScanFacts> scans;
      if (!Check(history->List({}, &scans))) return false;
      out = BuildScanListingText(scans);
      return scans.size() == static_cast<std::size_t>(night);
    });
  });

  struct stat st {};
  stat(path.c_str(), &st);
  const std::string copy = path + ".prune";
  std::filesystem::copy_file(path, copy);
  double prune = 0;
  std::uint64_t removed = 0;
  {
    const Clock::time_point begin = Clock::now();
    std::unique_ptr<History> history = Open(copy, true);
    using namespace std::chrono;
    if (!Check(history->Prune(sys_days(year(2016) / January / 1), &removed))) {
      return 1;
    }
    history.reset();
    prune = Milliseconds(Clock::now() - begin);
  }
  struct stat pruned {};
  stat(copy.c_str(), &pruned);
  std::filesystem::remove(copy);

  std::printf(
      "| what | figure |\n|---|---|\n"
      "| nights saved | %d (%d owners, %d groups) |\n"
      "| owners' directories saved per scan (mean) | %.1f |\n"
      "| writing the whole history | %.0f s |\n"
      "| file size | %.1f MB (%lld bytes) |\n",
      night, owners, kGroups, static_cast<double>(directories) / nights,
      generated, static_cast<double>(st.st_size) / 1e6,
      static_cast<long long>(st.st_size));
  const auto row = [](const char* what, const Timing& t) {
    std::printf("| %s | %.1f ms (%.1f ms of CPU) |\n", what, t.wall, t.cpu);
  };
  row("one save (open, save, close)", save);
  row("growth, newest against the one before (text)", growth);
  row("where one owner grew, the same two scans (text)", where_time);
  row("growth over every scan, html with the chart", decade_time);
  row("history listing of every scan (text)", listing);
  std::printf(
      "| prune the oldest year (%llu scans) | %.0f ms, file then %.1f MB |\n",
      static_cast<unsigned long long>(removed), prune,
      static_cast<double>(pruned.st_size) / 1e6);
  return 0;
}
