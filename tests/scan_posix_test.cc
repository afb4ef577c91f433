// The scan on real directory trees. Owners other than the running user
// need root to set up; those cases skip elsewhere.
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "scan/scan.h"
#include "tests/scan_posix_util.h"

namespace ovik {
namespace {

constexpr uid_t kUnmappedUid = 3999999;  // no account has it

std::uint64_t TotalOf(const ScanResult& r, const std::string& name) {
  auto i = r.table.FindOwner(name);
  return i ? r.table[*i].total : ~0ull;
}

bool IsRoot() { return geteuid() == 0; }

TEST(ScanPosixTest, ExactTotalsPerOwnerOnARealTree) {
  if (!IsRoot()) GTEST_SKIP() << "needs root to give files other owners";
  TempTree t;
  t.Dir("a");
  t.Dir("a/.git");
  t.Dir("b");
  t.File("top", 100);                       // root
  t.File("a/one", 1000, 1);                 // daemon
  t.File("a/.git/packed", 3000, 1);         // dot directories are walked
  t.File("b/two", 200, 2);                  // bin
  t.File("b/lost", 50, kUnmappedUid);       // shown as its number
  ASSERT_EQ(symlink("../top", t.Path("a/link").c_str()), 0);
  ASSERT_EQ(lchown(t.Path("a/link").c_str(), 2, 0), 0);
  ASSERT_EQ(symlink("../b", t.Path("a/dirlink").c_str()), 0);  // never entered
  ASSERT_EQ(link(t.Path("a/one").c_str(), t.Path("b/one-again").c_str()), 0);
  ASSERT_EQ(mkfifo(t.Path("b/fifo").c_str(), 0644), 0);
  // A sparse file far beyond 4 GiB counts with its whole size.
  int fd = open(t.Path("b/sparse").c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, 5LL << 30), 0);
  ASSERT_EQ(fchown(fd, 2, 0), 0);
  close(fd);

  auto fs = MakeSystemFileSystem();
  ScanResult r = RunScan(*fs, t.root(), {.threads = 2});
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(fs->AdministratorsName(), "root");
  const std::uint64_t dirlink = std::string("../b").size();
  EXPECT_EQ(TotalOf(r, "root"), 100u + dirlink);
  EXPECT_EQ(TotalOf(r, "daemon"), 4000u);
  EXPECT_EQ(TotalOf(r, "bin"), 200u + 6u + (5ull << 30));
  EXPECT_EQ(TotalOf(r, std::to_string(kUnmappedUid)), 50u);
  EXPECT_EQ(r.stats.hard_link_duplicates, 1u);
  EXPECT_EQ(r.stats.skipped_directories, 0u);
  ASSERT_FALSE(r.ranking.empty());
  EXPECT_EQ(r.ranking[0].name, "bin");
  EXPECT_EQ(r.ranking[0].kb, (200u + 6u + (5ull << 30)) >> 10);
}

TEST(ScanPosixTest, StaysOnTheRootsMount) {
  if (!IsRoot()) GTEST_SKIP() << "needs root to mount";
  TempTree t;
  t.Dir("tmpfs");
  t.Dir("bound");
  t.Dir("data");
  t.File("data/f", 10);
  t.File("top", 1);
  if (!t.Mount("tmpfs", "tmpfs", "none", 0)) GTEST_SKIP() << "cannot mount here";
  std::ofstream(t.Path("tmpfs/inside")) << std::string(5000, 'y');
  // Same device, other mount: a bind mount of part of the tree.
  ASSERT_TRUE(t.Mount("bound", nullptr, t.Path("data"), MS_BIND));

  auto fs = MakeSystemFileSystem();
  ScanResult r = RunScan(*fs, t.root());
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(TotalOf(r, "root"), 11u);
  EXPECT_EQ(r.stats.other_volumes, 2u);
}

TEST(ScanPosixTest, NeverChangesTheCurrentDirectory) {
  TempTree t;
  t.Dir("a");
  t.File("a/f", 3);
  char before[4096];
  ASSERT_NE(getcwd(before, sizeof before), nullptr);
  auto fs = MakeSystemFileSystem();
  ScanResult r = RunScan(*fs, t.root());
  ASSERT_TRUE(r.ok());
  char after[4096];
  ASSERT_NE(getcwd(after, sizeof after), nullptr);
  EXPECT_STREQ(before, after);
}

TEST(ScanPosixTest, MissingRootFailsTheScan) {
  auto fs = MakeSystemFileSystem();
  ScanResult r = RunScan(*fs, "/nonexistent/ovik/root");
  EXPECT_EQ(r.status, ScanStatus::kRootNotEnterable);
}

// Runs |body| in a child process as an unprivileged user; the child's exit
// status is the test's verdict (0 = pass).
template <typename Body>
void AsNobody(Body body) {
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(99);
    _exit(body());
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(ScanPosixTest, UnreadableDirectoriesAreSkippedAndCounted) {
  if (!IsRoot()) GTEST_SKIP() << "needs root to change user";
  TempTree t;
  ASSERT_EQ(chmod(t.root().c_str(), 0755), 0);
  t.Dir("closed", 0700);        // cannot be entered at all
  t.File("closed/secret", 1000);
  t.Dir("listonly", 0744);      // names can be read, entries cannot
  t.File("listonly/a", 7000, 1);
  t.File("listonly/b", 9000, 1);
  t.Dir("open");
  t.File("open/c", 30, 1);
  const std::string root = t.root();
  AsNobody([root] {
    auto fs = MakeSystemFileSystem();
    ScanResult r = RunScan(*fs, root, {.threads = 2});
    if (!r.ok()) return 1;
    if (r.stats.skipped_directories != 1) return 2;
    if (r.stats.unreadable_entries != 2) return 3;
    // Nothing of the unreadable entries is credited to a real owner.
    auto daemon = r.table.FindOwner("daemon");
    if (!daemon || r.table[*daemon].total != 30) return 4;
    auto unknown = r.table.FindOwner(kUnreadableOwnerName);
    if (!unknown || r.table[*unknown].total != 0) return 5;
    return 0;
  });
}

TEST(ScanPosixTest, TreeFarDeeperThanPathMaxWithFewDescriptors) {
  TempTree t;
  // 5,000 levels of 100-byte names: half a megabyte of path.
  const std::string name(100, 'd');
  int fd = open(t.root().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  for (int i = 0; i < 5000; ++i) {
    ASSERT_EQ(mkdirat(fd, name.c_str(), 0755), 0);
    int f = openat(fd, "f", O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(f, 0);
    ASSERT_EQ(write(f, "ab", 2), 2);
    close(f);
    int next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
    close(fd);
    ASSERT_GE(next, 0);
    fd = next;
  }
  close(fd);
  const std::string root = t.root();
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    struct rlimit lim = {64, 64};
    if (setrlimit(RLIMIT_NOFILE, &lim) != 0) _exit(98);
    auto fs = MakeSystemFileSystem();
    ScanResult r = RunScan(*fs, root, {.threads = 2});
    _exit(r.ok() && r.stats.files == 5000 && r.stats.bytes == 10000 &&
                  r.stats.skipped_directories == 0
              ? 0
              : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace ovik
