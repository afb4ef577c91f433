// The scan on real directory trees. Owners other than the running user
// need root to set up; those cases skip elsewhere.
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/vfs.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/mount_points_posix.h"
#include "tests/owner_lookup.h"
#include "scan/saturating.h"
#include "scan/scan.h"
#include "tests/scan_posix_util.h"

namespace ovik {
namespace {

constexpr uid_t kUnmappedUid = 3999999;  // no account has it

std::uint64_t TotalOf(const ScanResult& r, const std::string& name) {
  auto i = FindByName(r.table, name);
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

// Containers bind-mount single files (/etc/hosts, say): what shows there
// belongs to another mount and counts nothing, even when it comes from
// the tree itself.
TEST(ScanPosixTest, FilesThatAreMountPointsCountNothing) {
  if (!IsRoot()) GTEST_SKIP() << "needs root to mount";
  TempTree t;
  t.Dir("tree");
  t.Dir("outside");
  t.File("tree/hosts", 100);           // hidden by what is mounted on it
  t.File("outside/real", 1000, 1);     // daemon's, mounted on tree/hosts
  t.File("tree/source", 500, 2);       // bin's, mounted on tree/copy too
  t.File("tree/copy", 7);
  t.File("tree/plain", 30);
  const std::string tree = t.Path("tree");
  InChild(
      [&] {
        if (!PrivateMountNamespace() ||
            mount(t.Path("outside/real").c_str(), t.Path("tree/hosts").c_str(),
                  nullptr, MS_BIND, nullptr) != 0 ||
            mount(t.Path("tree/source").c_str(), t.Path("tree/copy").c_str(),
                  nullptr, MS_BIND, nullptr) != 0) {
          return kChildSkipped;
        }
        auto fs = MakeSystemFileSystem();
        const ScanResult r = RunScan(*fs, tree, {.threads = 2});
        if (!r.ok() || FindByName(r.table, "daemon").has_value()) return 1;
        if (TotalOf(r, "bin") != 500 || TotalOf(r, "root") != 30) return 2;
        if (r.stats.other_volumes != 2) return 3;
        // Where statx gives no mount id the mount table tells the places.
        const int fd = open(tree.c_str(), O_RDONLY | O_DIRECTORY);
        struct stat st;
        if (fd < 0 || fstat(fd, &st) != 0) return 4;
        const auto places = MountPointSet::Below(fd, tree);
        close(fd);
        if (!places || !places->Contains(st.st_dev, st.st_ino, "hosts") ||
            !places->Contains(st.st_dev, st.st_ino, "copy") ||
            places->Contains(st.st_dev, st.st_ino, "plain")) {
          return 5;
        }
        return 0;
      },
      "cannot make a private mount namespace here");
}

// A btrfs subvolume has a device number of its own but is no mount: its
// space is the volume's, and the walk goes into it.
TEST(ScanPosixTest, BtrfsSubvolumesInsideTheTreeAreWalked) {
  if (!IsRoot()) GTEST_SKIP() << "needs root to mount";
  if (std::system("command -v mkfs.btrfs >/dev/null && command -v btrfs >/dev/null") != 0) {
    GTEST_SKIP() << "needs btrfs-progs";
  }
  TempTree t;
  const std::string image = t.Path("image");
  const int fd = open(image.c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, 128 << 20), 0);
  close(fd);
  if (std::system(("mkfs.btrfs -q '" + image + "' >/dev/null 2>&1").c_str()) != 0) {
    GTEST_SKIP() << "mkfs.btrfs failed";
  }
  t.Dir("mnt");
  const std::string mnt = t.Path("mnt");
  InChild(
      [&] {
        if (!PrivateMountNamespace() ||
            std::system(("mount -o loop '" + image + "' '" + mnt + "' 2>/dev/null").c_str()) != 0) {
          return kChildSkipped;
        }
        if (std::system(("btrfs -q subvolume create '" + mnt + "/sub' && btrfs -q subvolume create '" +
                         mnt + "/sub/inner'").c_str()) != 0) {
          return 1;
        }
        std::ofstream(mnt + "/top") << std::string(10, 'x');
        std::ofstream(mnt + "/sub/f") << std::string(200, 'x');
        std::ofstream(mnt + "/sub/inner/g") << std::string(3000, 'x');
        auto fs = MakeSystemFileSystem();
        const ScanResult r = RunScan(*fs, mnt, {.threads = 2, .method = CountMethod::kWalk});
        if (!r.ok() || TotalOf(r, "root") != 3210) return 2;
        if (r.stats.other_volumes != 0 || r.stats.directories != 3) return 3;
        return 0;
      },
      "cannot mount a btrfs image here (private mount namespace, loop device)");
}

// Three sparse files of 2^63 - 1 bytes: the total stops at the largest
// figure, and the scan says so, rather than wrap to a small one.
TEST(ScanPosixTest, TotalsPastTwoToTheSixtyFourStopAtTheLargest) {
  char tmpl[] = "/dev/shm/ovik-sparse-XXXXXX";
  if (mkdtemp(tmpl) == nullptr) GTEST_SKIP() << "no /dev/shm";
  const std::string dir = tmpl;
  struct statfs sfs;
  bool made = statfs(dir.c_str(), &sfs) == 0 && sfs.f_type == 0x01021994;  // tmpfs
  for (int i = 0; made && i < 3; ++i) {
    const std::string file = dir + "/huge" + std::to_string(i);
    const int fd = open(file.c_str(), O_CREAT | O_WRONLY, 0644);
    made = fd >= 0 && ftruncate(fd, INT64_MAX) == 0;
    if (fd >= 0) close(fd);
  }
  ScanResult r;
  if (made) {
    auto fs = MakeSystemFileSystem();
    r = RunScan(*fs, dir, {.threads = 2});
  }
  EXPECT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);
  if (!made) GTEST_SKIP() << "/dev/shm is no tmpfs that takes files of 2^63 - 1 bytes";
  ASSERT_TRUE(r.ok());
  ASSERT_FALSE(r.ranking.empty());
  EXPECT_EQ(r.ranking[0].bytes, kMaxTotal);
  EXPECT_EQ(r.ranking[0].kb, kMaxTotal >> 10);
  EXPECT_EQ(r.stats.bytes, kMaxTotal);
  EXPECT_EQ(r.stats.saturated_totals, 1u);
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
  // The system's reason comes with it, for the message.
  EXPECT_EQ(r.status, Status(StatusCode::kNotFound, ENOENT));
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
    auto daemon = FindByName(r.table, "daemon");
    if (!daemon || r.table[*daemon].total != 30) return 4;
    auto unknown = FindByName(r.table, kUnreadableOwnerName);
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
