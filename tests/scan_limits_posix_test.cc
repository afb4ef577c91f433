// The scan at the machine's limits, each lowered in a child process: few
// descriptors, threads that cannot start, little memory. The answer is
// the one a scan without limits gives, or one that says it is short or
// out of memory; never an abort.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "scan/scan.h"
#include "tests/scan_posix_util.h"

namespace ovik {
namespace {

// Branches of chains, a side directory at every level, and files of
// several owners where the test may give them.
void BuildWideAndDeep(TempTree& t, int width, int depth) {
  const bool as_root = geteuid() == 0;
  for (int w = 0; w < width; ++w) {
    std::string path = "w" + std::to_string(w);
    for (int d = 0; d < depth; ++d) {
      const auto owner = static_cast<uid_t>(as_root ? 1 + (w + d) % 4 : 0);
      t.Dir(path);
      t.Dir(path + "/side");
      t.File(path + "/side/f", static_cast<std::size_t>(w + d), owner);
      t.File(path + "/f", static_cast<std::size_t>(7 * w + d), owner);
      path += "/l";
    }
  }
  ASSERT_EQ(chmod(t.root().c_str(), 0755), 0);
}

// A wide and deep tree and its scan with one thread and no limits, the
// answer every limited scan must give.
class ScanLimitsTest : public ::testing::Test {
 protected:
  void Build(int width, int depth) {
    BuildWideAndDeep(t_, width, depth);
    whole_ = RunScan(*fs_, t_.root(), {.threads = 1});
    ASSERT_TRUE(whole_.ok());
    ASSERT_EQ(whole_.stats.skipped_directories, 0u);
  }

  TempTree t_;
  std::unique_ptr<FileSystem> fs_ = MakeSystemFileSystem();
  ScanResult whole_;
};

TEST_F(ScanLimitsTest, FewDescriptorsGiveTheWholeAnswerWithAnyThreadCount) {
  Build(10, 30);
  for (rlim_t limit : {16, 24, 64, 200}) {
    for (unsigned threads : {0u, 16u, 64u}) {
      InChild([&] {
        const struct rlimit lim = {limit, limit};
        if (setrlimit(RLIMIT_NOFILE, &lim) != 0) return 98;
        return SameScan(RunScan(*fs_, t_.root(), {.threads = threads}), whole_)
                   ? 0 : 1;
      });
      if (HasFailure()) FAIL() << "limit " << limit << ", threads " << threads;
    }
  }
}

// Takes every free descriptor but |left|.
bool LeaveFreeDescriptors(int left) {
  std::vector<int> taken;
  for (int fd; (fd = dup(0)) >= 0;) taken.push_back(fd);
  if (static_cast<int>(taken.size()) < left) return false;
  for (int k = 0; k < left; ++k) close(taken[taken.size() - 1 - k]);
  return true;
}

TEST_F(ScanLimitsTest, TwoDescriptorsWalkEverythingAndOneSaysItIsShort) {
  Build(3, 20);
  InChild([&] {
    const struct rlimit lim = {128, 128};
    if (setrlimit(RLIMIT_NOFILE, &lim) != 0 || !LeaveFreeDescriptors(2)) {
      return 98;
    }
    return SameScan(RunScan(*fs_, t_.root(), {.threads = 8}), whole_) ? 0 : 1;
  });
  // With the root's descriptor the only one, what lies below is counted
  // as skipped: the scan is never short without saying so.
  InChild([&] {
    const struct rlimit lim = {128, 128};
    if (setrlimit(RLIMIT_NOFILE, &lim) != 0 || !LeaveFreeDescriptors(1)) {
      return 98;
    }
    const ScanResult r = RunScan(*fs_, t_.root(), {.threads = 8});
    if (!r.ok()) return 1;
    if (r.stats.skipped_directories != 3 || r.stats.skipped_for_handles != 3) {
      return 2;
    }
    return 0;
  });
}

TEST_F(ScanLimitsTest, ThreadsThatCannotStartAreDoneWithoutAndCounted) {
  Build(6, 10);
  InChild([&] {
    // Root may start threads whatever the limit says.
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 98;
    const struct rlimit none = {0, 0};
    if (setrlimit(RLIMIT_NPROC, &none) != 0) return 98;
    const ScanResult r = RunScan(*fs_, t_.root(), {.threads = 8});
    if (!SameScan(r, whole_)) return 1;
    if (r.stats.threads != 1 || r.stats.threads_not_started != 7) return 2;
    return 0;
  });
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// The process's address space now, in bytes.
std::uint64_t AddressSpace() {
  unsigned long pages = 0;
  std::FILE* statm = std::fopen("/proc/self/statm", "r");
  if (statm == nullptr) return 0;
  if (std::fscanf(statm, "%lu", &pages) != 1) pages = 0;
  std::fclose(statm);
  return pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

// The scan of one memory probe (below), run in a process of its own: in
// the test's process, memory earlier tests left in the allocator's arenas
// grows without new mappings, which a limit on the address space cannot
// see. Exits with 0 for the whole answer (the figures in the
// environment), 1 for kOutOfMemory and nothing ranked, 2 for anything
// else.
TEST(ScanLimitsProbe, DISABLED_ScanWithinAMemoryLimit) {
  const char* root = std::getenv("OVIK_PROBE_ROOT");
  const char* margin = std::getenv("OVIK_PROBE_MARGIN");
  const char* figures = std::getenv("OVIK_PROBE_FIGURES");
  if (root == nullptr || margin == nullptr || figures == nullptr) {
    GTEST_SKIP() << "started only by OutOfMemoryAnywhereEndsTheScanCleanly";
  }
  auto fs = MakeSystemFileSystem();
  const std::uint64_t space = AddressSpace() + std::strtoull(margin, nullptr, 10);
  const struct rlimit lim = {space, space};
  if (setrlimit(RLIMIT_AS, &lim) != 0) std::_Exit(98);
  const ScanResult r = RunScan(*fs, root, {.threads = 4});
  if (r.out_of_memory()) std::_Exit(r.ranking.empty() ? 1 : 2);
  char seen[64];
  std::snprintf(seen, sizeof seen, "%llu %llu %zu",
                static_cast<unsigned long long>(r.stats.files),
                static_cast<unsigned long long>(r.stats.bytes), r.ranking.size());
  std::_Exit(r.ok() && std::strcmp(seen, figures) == 0 ? 0 : 2);
}

// Memory running out anywhere in the scan (the walkers, the owners, the
// ranking) ends it with kOutOfMemory; with enough it gives the whole
// answer. Never an abort, never a short answer presented as whole.
TEST_F(ScanLimitsTest, OutOfMemoryAnywhereEndsTheScanCleanly) {
  if (kSanitized) {
    GTEST_SKIP() << "the sanitizers' allocators end the process when memory "
                    "runs out; the optimised build runs this test";
  }
  const bool as_root = geteuid() == 0;
  for (int d = 0; d < 1500; ++d) {
    // Long names, and as root an owner each: the walk's memory grows.
    const std::string dir = std::to_string(d) + std::string(200, 'n');
    t_.Dir(dir);
    t_.File(dir + "/f", 1, static_cast<uid_t>(as_root ? 200000 + d : 0));
  }
  const ScanResult whole = RunScan(*fs_, t_.root(), {.threads = 4});
  ASSERT_TRUE(whole.ok());
  const std::string figures = std::to_string(whole.stats.files) + " " +
                              std::to_string(whole.stats.bytes) + " " +
                              std::to_string(whole.ranking.size());
  std::vector<int> verdicts;
  for (std::uint64_t margin = 16 << 10; margin <= (64u << 20); margin *= 2) {
    verdicts.push_back(ChildVerdict([&] {
      setenv("OVIK_PROBE_ROOT", t_.root().c_str(), 1);
      setenv("OVIK_PROBE_MARGIN", std::to_string(margin).c_str(), 1);
      setenv("OVIK_PROBE_FIGURES", figures.c_str(), 1);
      const int quiet = open("/dev/null", O_WRONLY);
      if (quiet >= 0) dup2(quiet, STDOUT_FILENO);
      execl("/proc/self/exe", "ovik_tests", "--gtest_also_run_disabled_tests",
            "--gtest_filter=ScanLimitsProbe.DISABLED_ScanWithinAMemoryLimit",
            static_cast<char*>(nullptr));
      return 97;
    }));
  }
  std::string seen;
  for (int v : verdicts) seen += std::to_string(v) + " ";
  for (int v : verdicts) EXPECT_TRUE(v == 0 || v == 1) << seen;
  EXPECT_NE(std::count(verdicts.begin(), verdicts.end(), 1), 0)
      << "the smallest margins should run out: " << seen;
  EXPECT_EQ(verdicts.back(), 0) << seen;
}

}  // namespace
}  // namespace ovik
