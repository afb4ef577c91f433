// The volume tables on file systems the test makes: an ext4, an XFS and
// a btrfs image, loop-mounted in a mount namespace of a child process,
// each table read on 1 and 8 threads and compared, entry by entry and
// owner by owner, with the walk of the same volume. Needs root, a loop
// device and each file system's mkfs; skips, saying which, without them.
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/entry_status_posix.h"
#include "platform/filesystem.h"
#include "scan/scan.h"
#include "tests/scan_posix_util.h"

namespace ovik {
namespace {

constexpr uid_t kCoveredUid = 1009;  // owns only what a mount covers
constexpr gid_t kCoveredGid = 2009;

struct FsCase {
  const char* type;
  const char* mkfs;    // the tool whose absence skips the case
  // Corrupts the inode of a/f1 ({inode}) in the image ({image}); or null.
  const char* damage;
};

const FsCase kCases[] = {
    {"ext4", "mke2fs", "debugfs -w -R 'sif /a/f1 checksum 0xdead' {image}"},
    {"xfs", "mkfs.xfs",
     "xfs_db -x -c 'inode {inode}' -c 'write -c core.gen 4243' {image}"},
    {"btrfs", "mkfs.btrfs", nullptr},
};

void PrintTo(const FsCase& c, std::ostream* out) { *out << c.type; }

bool HaveTool(const char* name) {
  for (const char* dir : {"/usr/sbin/", "/sbin/", "/usr/bin/", "/bin/"}) {
    if (access((std::string(dir) + name).c_str(), X_OK) == 0) return true;
  }
  return false;
}

std::string Replaced(std::string text, const std::string& token,
                     const std::string& by) {
  for (std::size_t at; (at = text.find(token)) != std::string::npos;) {
    text.replace(at, token.size(), by);
  }
  return text;
}

// The tree every image holds, made relative to |dir|: several owners and
// groups, hard links across directories, sparse, empty and special
// files, a deep and a wide directory, one no one may enter, and
// "covered", which a mount hides once the image is mounted. The sparse
// file is smaller where mkfs.btrfs copies it, byte by byte.
bool Populate(int dir, bool covered_too, off_t sparse = 1LL << 30) {
  bool ok = true;
  auto Own = [&](int at, const char* name, uid_t uid, gid_t gid) {
    ok = ok && fchownat(at, name, uid, gid, AT_SYMLINK_NOFOLLOW) == 0;
  };
  auto File = [&](int at, const char* name, off_t size, uid_t uid, gid_t gid,
                  bool holes = false) {
    const int fd = openat(at, name, O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW, 0644);
    ok = ok && fd >= 0;
    if (fd < 0) return;
    const std::string bytes(static_cast<std::size_t>(holes ? 0 : size), 'x');
    ok = ok && write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    ok = ok && (!holes || ftruncate(fd, size) == 0) && close(fd) == 0;
    Own(at, name, uid, gid);
  };
  auto Dir = [&](int at, const char* name, uid_t uid = 0) {
    ok = ok && mkdirat(at, name, 0755) == 0;
    Own(at, name, uid, 0);
    return openat(at, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  };
  const int a = Dir(dir, "a", 1001), b = Dir(dir, "b"), wide = Dir(b, "wide");
  File(a, "f1", 1000, 1001, 2001);
  File(a, "empty", 0, 1002, 2002);
  File(a, "sparse", sparse, 1003, 2001, true);
  File(a, "linked", 5000, 1002, 2002);
  ok = ok && linkat(a, "linked", b, "linked-2", 0) == 0;
  ok = ok && symlinkat("../b/linked-2", a, "sym") == 0;
  Own(a, "sym", 1003, 2002);
  ok = ok && mknodat(a, "fifo", S_IFIFO | 0644, 0) == 0;
  Own(a, "fifo", 1001, 2002);
  ok = ok && mknodat(a, "chr", S_IFCHR | 0600, makedev(1, 3)) == 0;
  Own(a, "chr", 1002, 2001);
  ok = ok && mknodat(a, "blk", S_IFBLK | 0600, makedev(7, 99)) == 0;
  for (int i = 0; i < 300; ++i) {
    File(wide, ("w" + std::to_string(i)).c_str(), i % 7 * 10, 1001 + i % 3,
         2001 + i % 2);
  }
  int level = Dir(dir, "deep");
  for (int depth = 0; depth < 40 && ok; ++depth) {
    File(level, "f", 10 + depth, 1001, 2002);
    const int next = Dir(level, "d", 1002);
    close(level);
    level = next;
  }
  ok = ok && linkat(a, "linked", level, "linked-3", 0) == 0;
  const int locked = Dir(dir, "locked", 1002);
  File(locked, "secret", 700, 1002, 2002);
  ok = ok && fchmod(locked, 0) == 0;
  for (int fd : {a, b, wide, level, locked}) close(fd);
  if (covered_too) {
    const int covered = Dir(dir, "covered");
    File(covered, "c1", 111, kCoveredUid, kCoveredGid);
    File(covered, "c2", 222, kCoveredUid, kCoveredGid);
    close(covered);
  }
  return ok;
}

using Row = std::tuple<int, std::string, std::string, int, std::uint64_t,
                       std::uint32_t, std::int64_t, std::int64_t>;
// What is compared of an entry: all but its name and identity, and the
// kind of one whose status cannot be read (the walk has it from the
// listing, a table may not know it).
Row RowOf(const Entry& e) {
  const bool known = e.owner_status == OwnerStatus::kKnown;
  return {static_cast<int>(e.owner_status), e.owner_key, e.group_key,
          known ? static_cast<int>(e.kind) : -1, e.size, e.links, e.modified,
          e.accessed};
}

// Every entry the walk counts below |dir|, each file once.
void WalkRows(Directory& dir, std::set<std::pair<std::uint64_t, std::uint64_t>>& seen,
              std::vector<Row>* rows) {
  Entry e;
  for (Status s = dir.Next(&e); s.code() != StatusCode::kEnd; s = dir.Next(&e)) {
    if (!s.ok()) continue;
    std::unique_ptr<Directory> sub;
    if (e.kind == EntryKind::kDirectory) {
      if (dir.OpenSubdirectory(e.name, &sub).ok()) WalkRows(*sub, seen, rows);
    } else if (e.kind != EntryKind::kMountPoint &&
               (e.links < 2 || seen.insert({e.device, e.inode}).second)) {
      rows->push_back(RowOf(e));
    }
  }
}

class Collector final : public TableSink {
 public:
  explicit Collector(std::vector<Entry>* out) : out_(out) {}
  void Add(const Entry& e) override { out_->push_back(e); }

 private:
  std::vector<Entry>* out_;
};

// Bytes and files per owner (or group) key text, as the scan ranks them.
using Totals = std::map<std::string, std::pair<std::uint64_t, std::uint64_t>>;
Totals TotalsOf(const OwnerTable& table) {
  Totals totals;
  for (const OwnerRecord& r : table.records()) {
    if (r.files != 0) totals[r.id] = {r.total, r.files};
  }
  return totals;
}

std::string KeyText(const std::string& key) {
  uid_t id = 0;
  return key.empty() || !UidOfKey(key, &id) ? std::string() : std::to_string(id);
}

TableRefusal RefusalOf(const std::string& path) {
  return MakeSystemFileSystem()->OpenTable(path).refusal;
}

// Without the privilege its file system needs: ext4's device is not
// readable by nobody; XFS and btrfs need CAP_SYS_ADMIN.
TableRefusal RefusalUnprivileged(const FsCase& c, const std::string& path) {
  const int verdict = ChildVerdict([&] {
    if (std::string(c.type) == "ext4") {
      if (setgid(65534) != 0 || setuid(65534) != 0) return 100;
    } else {
      __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
      __user_cap_data_struct data[2];
      if (syscall(SYS_capget, &header, data) != 0) return 100;
      data[0].effective &= ~(1u << CAP_SYS_ADMIN);
      if (syscall(SYS_capset, &header, data) != 0) return 100;
    }
    return static_cast<int>(RefusalOf(path));
  });
  return static_cast<TableRefusal>(verdict);
}

// One image made, mounted and checked, in a child process: what fails is
// printed, and counted for its verdict.
class ImageRun {
 public:
  explicit ImageRun(const FsCase& c) : case_(c), type_(c.type) {}
  ~ImageRun() {
    if (work_.empty()) return;
    for (const char* place : {"/mnt/covered", "/bound", "/tmpfs", "/mnt"}) {
      umount2((work_ + place).c_str(), MNT_DETACH);
    }
    if (std::system(("rm -rf " + work_).c_str()) != 0) {
      std::fprintf(stderr, "%s not removed\n", work_.c_str());
    }
  }
  ImageRun(const ImageRun&) = delete;
  ImageRun& operator=(const ImageRun&) = delete;

  int Run();

 private:
  void Check(bool ok, const char* what, const std::string& detail = "") {
    if (ok) return;
    ++failures_;
    std::fprintf(stderr, "%s: %s %s\n", type_.c_str(), what, detail.c_str());
  }

  // Runs |command| with the system's tools on the path, its output kept
  // and shown only when it fails.
  bool Shell(const std::string& command) {
    const std::string logged = "(PATH=/usr/sbin:/sbin:$PATH; " + command +
                               ") >" + work_ + "/log 2>&1";
    if (std::system(logged.c_str()) == 0) return true;
    std::fprintf(stderr, "%s: failed: %s\n", type_.c_str(), command.c_str());
    return std::system(("cat " + work_ + "/log >&2").c_str()) < 0;
  }

  std::vector<Row> TableRows(VolumeTable& table, unsigned threads);
  void CompareWithWalk(std::size_t unreadable);

  const FsCase& case_;
  const std::string type_;
  std::string work_, image_, mount_;
  int failures_ = 0;
};

// The table's entries, its parts read by |threads| threads; checks the
// order every part keeps and the parts keep among them.
std::vector<Row> ImageRun::TableRows(VolumeTable& table, unsigned threads) {
  std::vector<std::vector<Entry>> parts(table.PartCount());
  std::atomic<unsigned> next{0};
  std::atomic<int> failed{0};
  std::vector<std::thread> pool;
  for (unsigned t = 0; t < threads; ++t) {
    pool.emplace_back([&] {
      for (unsigned p; (p = next++) < parts.size();) {
        Collector sink(&parts[p]);
        if (!table.ReadPart(p, sink).ok()) ++failed;
      }
    });
  }
  for (std::thread& t : pool) t.join();
  Check(failed == 0, "parts failed:", std::to_string(failed.load()));
  std::vector<Row> rows;
  std::uint64_t last = 0;
  for (const auto& part : parts) {
    for (const Entry& e : part) {
      Check(e.inode > last, "out of order:", std::to_string(e.inode));
      Check(e.kind != EntryKind::kDirectory, "a directory given");
      last = e.inode;
      rows.push_back(RowOf(e));
    }
  }
  return rows;
}

// Compares the table of the mounted image with the walk of it, all but
// the covered files, which are in the table only.
void ImageRun::CompareWithWalk(std::size_t unreadable) {
  auto fs = MakeSystemFileSystem();
  TableOpenResult opened = fs->OpenTable(mount_);
  Check(opened.table != nullptr, "no table:", opened.reason);
  std::unique_ptr<Directory> root;
  Check(fs->OpenRoot(mount_, &root).ok(), "the root cannot be opened");
  if (!opened.table || !root) return;
  Check(opened.table->PartCount() > 1, "one part only: nothing read at once");
  std::vector<Row> walked;
  std::set<std::pair<std::uint64_t, std::uint64_t>> seen;
  WalkRows(*root, seen, &walked);
  std::sort(walked.begin(), walked.end());
  for (unsigned threads : {1u, 8u}) {
    const std::string with = std::to_string(threads) + " threads";
    Totals owners, groups;
    std::size_t covered = 0, broken = 0;
    std::vector<Row> shown;
    for (const Row& row : TableRows(*opened.table, threads)) {
      if (KeyText(std::get<1>(row)) == std::to_string(kCoveredUid)) {
        ++covered;
        continue;
      }
      broken += std::get<0>(row) != 0;
      shown.push_back(row);
      for (auto [totals, key] : {std::pair{&owners, std::get<1>(row)},
                                 std::pair{&groups, std::get<2>(row)}}) {
        auto& [bytes, files] = (*totals)[KeyText(key)];
        bytes += std::get<4>(row);
        ++files;
      }
    }
    std::sort(shown.begin(), shown.end());
    Check(covered == 2, "covered files in the table:", std::to_string(covered));
    Check(broken == unreadable, "unreadable entries:", std::to_string(broken));
    Check(shown == walked, "entries differ, table and walk:",
          std::to_string(shown.size()) + " " + std::to_string(walked.size()));
    ScanResult walk = RunScan(*fs, mount_, {.threads = threads,
                                            .method = CountMethod::kWalk,
                                            .groups = true});
    Check(walk.ok() && walk.method == "walk", "the walk failed");
    Check(TotalsOf(walk.table) == owners, "owners differ,", with);
    Check(TotalsOf(walk.group_table) == groups, "groups differ,", with);
    // The scan through the table: the same, and the covered files' owner.
    ScanResult tables = RunScan(*fs, mount_, {.threads = threads,
                                              .method = CountMethod::kTables,
                                              .groups = true});
    Check(tables.ok() && tables.method == opened.table->Description(),
          "the table scan failed:", tables.tables_refused);
    Totals table_owners = TotalsOf(tables.table);
    Totals table_groups = TotalsOf(tables.group_table);
    Check(table_owners.erase(std::to_string(kCoveredUid)) == 1 &&
              table_groups.erase(std::to_string(kCoveredGid)) == 1,
          "the covered files' owner is not in the table scan,", with);
    Check(table_owners == owners, "table scan's owners differ,", with);
    Check(table_groups == groups, "table scan's groups differ,", with);
    Check(tables.stats.unreadable_entries == unreadable,
          "the table scan's unreadable entries,", with);
  }
}

int ImageRun::Run() {
  umask(0);
  if (!PrivateMountNamespace()) return kChildSkipped;
  char work_template[] = "/tmp/ovik-tables-XXXXXX";
  if (mkdtemp(work_template) == nullptr) return 101;
  work_ = work_template;
  image_ = work_ + "/image";
  mount_ = work_ + "/mnt";
  const int work = open(work_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (work < 0 || fchmod(work, 0755) != 0 || mkdirat(work, "mnt", 0755) != 0 ||
      mkdirat(work, "staged", 0755) != 0) {
    return 102;
  }
  const int staged = openat(work, "staged", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (type_ != "xfs" && !Populate(staged, true, 16 << 20)) return 103;
  const std::string make =
      type_ == "ext4"
          ? "mke2fs -q -t ext4 -b 1024 -G 2 -O orphan_file,ea_inode "
            "-d " + work_ + "/staged -F " + image_ + " 128M"
      : type_ == "xfs"
          ? "truncate -s 320M " + image_ + " && mkfs.xfs -q -f " + image_
          : "truncate -s 256M " + image_ + " && mkfs.btrfs -q -f --rootdir " +
                work_ + "/staged " + image_;
  if (!Shell(make)) return 104;
  if (!Shell("losetup -f")) {
    std::fprintf(stderr, "no loop device could be had\n");
    return kChildSkipped;
  }
  if (!Shell("mount -o loop " + image_ + " " + mount_)) return 105;
  int root = open(mount_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (type_ == "xfs" && !Populate(root, true)) return 106;
  if (type_ == "btrfs") {
    // A subvolume with the same tree, and a snapshot of it: inode
    // numbers met three times over.
    if (!Shell("btrfs subvolume create " + mount_ + "/sub")) return 107;
    const int sub = openat(root, "sub", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (!Populate(sub, false) ||
        !Shell("btrfs subvolume snapshot " + mount_ + "/sub " + mount_ + "/snap")) {
      return 108;
    }
    close(sub);
  }
  if (type_ == "ext4") {  // a value large enough for an inode of its own
    const std::string value(6000, 'v');
    Check(fsetxattr(root, "user.big", value.data(), value.size(), 0) == 0,
          "no extended attribute inode");
  }
  // Files written just before the table is read, their blocks not yet
  // allocated; and an open file no directory names any more.
  Check(mkdirat(root, "fresh", 0755) == 0, "no fresh directory");
  const int fresh = openat(root, "fresh", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  for (const char* name : {"n1", "n2", "n3"}) {
    const int fd = openat(fresh, name, O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    const std::string bytes(65536 + 7, 'n');
    Check(write(fd, bytes.data(), bytes.size()) == 65543 &&
              fchown(fd, 1004, 2004) == 0 && close(fd) == 0,
          "not written:", name);
  }
  const int orphan = openat(root, "orphan", O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
  Check(write(orphan, "gone", 4) == 4 && unlinkat(root, "orphan", 0) == 0,
        "no orphan");
  const std::string covered = mount_ + "/covered";
  Check(mount("none", covered.c_str(), "tmpfs", 0, nullptr) == 0, "not covered");
  CompareWithWalk(0);

  // Where the tables cannot serve, and where they can.
  Check(mkdirat(work, "bound", 0755) == 0 && mkdirat(work, "tmpfs", 0755) == 0 &&
            symlinkat(mount_.c_str(), work, "link") == 0 &&
            mount((mount_ + "/a").c_str(), (work_ + "/bound").c_str(), nullptr,
                  MS_BIND, nullptr) == 0 &&
            mount("none", (work_ + "/tmpfs").c_str(), "tmpfs", 0, nullptr) == 0,
        "places not made");
  const std::pair<std::string, TableRefusal> places[] = {
      {mount_ + "/", TableRefusal::kNone},
      {work_ + "/link", TableRefusal::kNone},
      {mount_ + "/a", TableRefusal::kNotVolumeRoot},
      {work_ + "/bound", TableRefusal::kNotVolumeRoot},
      {work_ + "/tmpfs", TableRefusal::kNoTable},
  };
  for (const auto& [path, refusal] : places) {
    Check(RefusalOf(path) == refusal, "wrong refusal:", path);
  }
  Check(RefusalUnprivileged(case_, mount_) == TableRefusal::kNoPrivilege,
        "served without the privilege");

  // A damaged inode: unreadable in the walk and in the table alike.
  if (case_.damage != nullptr) {
    struct stat victim;
    Check(fstatat(root, "a/f1", &victim, 0) == 0, "no a/f1");
    for (int fd : {root, fresh, orphan}) close(fd);
    Check(umount2(covered.c_str(), 0) == 0 &&
              umount2((work_ + "/bound").c_str(), 0) == 0 &&
              umount2(mount_.c_str(), 0) == 0,
          "not unmounted");
    std::string damage = Replaced(case_.damage, "{image}", image_);
    damage = Replaced(damage, "{inode}", std::to_string(victim.st_ino));
    Check(Shell(damage) && Shell("mount -o loop " + image_ + " " + mount_) &&
              mount("none", covered.c_str(), "tmpfs", 0, nullptr) == 0,
          "not damaged");
    CompareWithWalk(1);
  }
  return failures_ == 0 ? 0 : 1;
}

class ScanTablesPosixTest : public testing::TestWithParam<FsCase> {};

TEST_P(ScanTablesPosixTest, TablesCountWhatTheWalkCounts) {
  const FsCase& c = GetParam();
  if (geteuid() != 0) GTEST_SKIP() << "needs root to make and mount images";
  if (access("/dev/loop-control", F_OK) != 0) GTEST_SKIP() << "no loop devices";
  if (!HaveTool(c.mkfs)) GTEST_SKIP() << c.mkfs << " is not installed";
  InChild([&] { return ImageRun(c).Run(); },
          "no loop device could be had, or no mount namespace made");
}

std::string CaseName(const testing::TestParamInfo<FsCase>& param) {
  return param.param.type;
}

INSTANTIATE_TEST_SUITE_P(Images, ScanTablesPosixTest, testing::ValuesIn(kCases),
                         CaseName);

}  // namespace
}  // namespace ovik
