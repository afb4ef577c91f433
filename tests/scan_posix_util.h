// Helpers for the scan's tests on real trees: a temporary tree, and a
// child process in which a test may lower the machine's limits or mount
// things without touching the test program itself.
#ifndef OVIK_TESTS_SCAN_POSIX_UTIL_H_
#define OVIK_TESTS_SCAN_POSIX_UTIL_H_

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "scan/scan.h"

namespace ovik {

class TempTree {
 public:
  TempTree() {
    char tmpl[] = "/tmp/ovik-scan-XXXXXX";
    root_ = mkdtemp(tmpl);
  }
  ~TempTree() {
    for (const std::string& m : mounts_) umount2(m.c_str(), MNT_DETACH);
    std::string cmd = "chmod -R u+rwx '" + root_ + "' 2>/dev/null; rm -rf '" + root_ + "'";
    if (std::system(cmd.c_str()) != 0) ADD_FAILURE() << "cleanup of " << root_;
  }
  const std::string& root() const { return root_; }
  std::string Path(const std::string& rel) const { return root_ + "/" + rel; }

  void Dir(const std::string& rel, mode_t mode = 0755) {
    ASSERT_EQ(mkdir(Path(rel).c_str(), mode), 0) << rel;
  }
  void File(const std::string& rel, std::size_t size, uid_t uid = 0) {
    std::ofstream(Path(rel)) << std::string(size, 'x');
    if (uid != 0) {
      ASSERT_EQ(lchown(Path(rel).c_str(), uid, 0), 0);
    }
  }
  bool Mount(const std::string& rel, const char* type, const std::string& source,
             unsigned long flags) {
    if (mount(source.c_str(), Path(rel).c_str(), type, flags, nullptr) != 0) {
      return false;
    }
    mounts_.push_back(Path(rel));
    return true;
  }

 private:
  std::string root_;
  std::vector<std::string> mounts_;
};

// Exit status of a child that could not set up what the test needs.
inline constexpr int kChildSkipped = 77;

// Runs |body| in a child process: its exit status (125 for an exception),
// or minus the signal that ended it.
template <typename Body>
int ChildVerdict(Body body) {
  std::fflush(nullptr);  // or the child's exit may print it again
  const pid_t pid = fork();
  if (pid < 0) return -1000;
  if (pid == 0) {
    // Nothing may leave the child but its exit status: an exception let
    // out would run the rest of the tests in it.
    int verdict = 125;
    try {
      verdict = body();
    } catch (...) {
    }
    _exit(verdict);
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1000;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

// Runs |body| in a child process and checks that it exits with 0. A child
// that exits with kChildSkipped makes the test skip with |skip_reason|.
template <typename Body>
void InChild(Body body, const char* skip_reason = "") {
  const int verdict = ChildVerdict(body);
  if (verdict == kChildSkipped) GTEST_SKIP() << skip_reason;
  EXPECT_EQ(verdict, 0) << "the child's verdict (minus: the signal that ended it)";
}

// In a child: a mount namespace of its own, so its mounts go with it.
inline bool PrivateMountNamespace() {
  return unshare(CLONE_NEWNS) == 0 &&
         mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

// Whether two scans gave the same ranking and counts. Allocates nothing,
// for children short of memory.
inline bool SameScan(const ScanResult& a, const ScanResult& b) {
  if (a.status != b.status || a.ranking.size() != b.ranking.size()) return false;
  for (std::size_t i = 0; i < a.ranking.size(); ++i) {
    if (a.ranking[i].name != b.ranking[i].name ||
        a.ranking[i].bytes != b.ranking[i].bytes) {
      return false;
    }
  }
  return a.stats.files == b.stats.files && a.stats.bytes == b.stats.bytes &&
         a.stats.directories == b.stats.directories &&
         a.stats.skipped_directories == b.stats.skipped_directories &&
         a.stats.other_volumes == b.stats.other_volumes;
}

}  // namespace ovik

#endif  // OVIK_TESTS_SCAN_POSIX_UTIL_H_
