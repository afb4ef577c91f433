// The master file table reader on real NTFS made here: mkntfs makes an
// image, ntfs-3g (mounted with permissions, in a mount namespace of a
// child process) fills it: owners by uid through a user mapping the test
// writes, hard links, sparse, compressed and fragmented files, streams,
// reparse points, deep and wide trees, a table made fragmented by filling
// the volume and freeing every other file. What the reader counts must
// equal what the test made; damaged records and tables are then read
// through a byte source that patches the image.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>
#include <tuple>

#include "platform/ntfs/image_file_posix.h"
#include "platform/ntfs/little_endian.h"
#include "platform/ntfs/master_file_table.h"
#include "platform/ntfs/record.h"
#include "platform/ntfs/run_list.h"
#include "tests/scan_posix_util.h"

extern char** environ;

namespace ovik {
namespace {

using ntfs::Le16;
using ntfs::Le32;
using ntfs::MasterFileTable;

// Owner SID S-1-5-21-1111-2222-3333-<rid>, as its bytes.
std::string Sid(std::uint32_t rid) {
  std::string sid = {1, 5, 0, 0, 0, 0, 0, 5};
  for (std::uint32_t sub : {21u, 1111u, 2222u, 3333u, rid}) {
    for (int i = 0; i < 4; ++i)
      sid.push_back(static_cast<char>(sub >> (8 * i)));
  }
  return sid;
}
const uid_t kUids[] = {1001, 1002, 1003, 1004};  // mapped to Sid(uid)

// What the count sees of a file: owner, size, kind, names.
using Fact = std::tuple<std::string, std::uint64_t, EntryKind, std::uint32_t>;

std::string Tool(const std::string& name) {
  for (const char* dir : {"/usr/sbin/", "/sbin/", "/usr/bin/", "/bin/"}) {
    if (access((dir + name).c_str(), X_OK) == 0) return dir + name;
  }
  return "";
}

pid_t Spawn(const std::vector<std::string>& args, const std::string& log) {
  std::vector<char*> argv;
  for (const std::string& a : args)
    argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(),
                                   O_WRONLY | O_CREAT | O_APPEND, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) !=
      0) {
    pid = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

bool Exited0(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Fills an open directory; false (with a message) at the first failure.
class Filler {
 public:
  explicit Filler(int root) : root_(root) {}
  bool ok() const { return ok_; }
  bool Check(bool good, const std::string& what) {
    if (!good && ok_)
      std::fprintf(stderr, "populate: %s: %s\n", what.c_str(),
                   std::strerror(errno));
    ok_ = ok_ && good;
    return good;
  }
  int Dir(int at, const std::string& name) {
    Check(mkdirat(at, name.c_str(), 0755) == 0, name);
    const int fd = openat(at, name.c_str(),
                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    Check(fd >= 0, name);
    return fd;
  }
  // A file of |size| bytes of |fill|, owned by |uid|; holes instead of
  // bytes where |sparse|. Gives the open descriptor to |then|.
  void File(int at, const std::string& name, std::uint64_t size, uid_t uid,
            bool sparse = false, const std::function<void(int)>& then = {}) {
    const int fd =
        openat(at, name.c_str(),
               O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (!Check(fd >= 0, name)) return;
    const std::string bytes(static_cast<std::size_t>(sparse ? 1 : size), 'x');
    if (size > 0) {
      const off_t at_offset = sparse ? static_cast<off_t>(size - 1) : 0;
      Check(pwrite(fd, bytes.data(), bytes.size(), at_offset) ==
                static_cast<ssize_t>(bytes.size()),
            name);
    }
    Check(fchown(fd, uid, static_cast<gid_t>(-1)) == 0, name);
    if (then) then(fd);
    Check(close(fd) == 0, name);
  }
  int root() const { return root_; }

 private:
  int root_;
  bool ok_ = true;
};

// A reparse point's data: a mount point (junction) or a symbolic link.
std::string Reparse(std::uint32_t tag, const std::u16string& target) {
  std::string path(reinterpret_cast<const char*>(target.data()),
                   2 * target.size());
  std::string data;
  auto put16 = [&](std::size_t v) {
    data.push_back(static_cast<char>(v));
    data.push_back(static_cast<char>(v >> 8));
  };
  const bool link = tag == 0xA000000C;
  for (std::size_t v :
       {std::size_t{0}, path.size(), path.size() + 2, path.size()})
    put16(v);
  if (link) data.append("\1\0\0\0", 4);
  data += path + std::string(2, '\0') + path + std::string(2, '\0');
  std::string header(8, '\0');
  for (int i = 0; i < 4; ++i) header[i] = static_cast<char>(tag >> (8 * i));
  header[4] = static_cast<char>(data.size());
  header[5] = static_cast<char>(data.size() >> 8);
  return header + data;
}

// The image's contents; |expected| gets a line "uid size kind names" for
// each file the count must see.
bool Populate(int root, std::string* expected) {
  Filler f(root);
  auto expect = [&](uid_t uid, std::uint64_t size,
                    EntryKind kind = EntryKind::kFile,
                    std::uint32_t links = 1) {
    *expected += std::to_string(uid) + " " + std::to_string(size) + " " +
                 std::to_string(static_cast<int>(kind)) + " " +
                 std::to_string(links) + "\n";
  };
  const int wide = f.Dir(root, "wide");
  for (unsigned i = 0; i < 300; ++i) {
    const std::uint64_t size = (i * 997) % 9000;  // empty, resident, in runs
    f.File(wide, "w" + std::to_string(i), size, kUids[i % 4]);
    expect(kUids[i % 4], size);
  }
  close(wide);
  std::vector<int> deep = {root};
  for (unsigned level = 1; level <= 40 && f.ok(); ++level) {
    deep.push_back(f.Dir(deep.back(), "d"));
    f.File(deep.back(), "f", level * 100 + 1, kUids[level % 4]);
    expect(kUids[level % 4], level * 100 + 1);
  }
  for (std::size_t i = 1; i < deep.size(); ++i) close(deep[i]);
  // Forty more long names: the names move to extension records and the
  // attribute list out of the record. Counted once.
  const int links = f.Dir(root, "links");
  f.File(links, "a", 3000, 1001);
  for (int i = 0; i < 40; ++i) {
    const std::string name = std::to_string(i) + std::string(200, 'n');
    f.Check(linkat(links, "a", links, name.c_str(), 0) == 0, "link");
  }
  expect(1001, 3000, EntryKind::kFile, 41);
  close(links);
  f.File(root, "sparse", (std::uint64_t{50} << 20) + 1, 1002, true);
  expect(1002, (std::uint64_t{50} << 20) + 1);
  // A byte every 64 KiB: a run list longer than one record.
  f.File(root, "fragmented", 0, 1003, false, [&](int fd) {
    for (int i = 0; i < 1500; ++i)
      f.Check(pwrite(fd, "f", 1, off_t{i} << 16) == 1, "fragment");
  });
  expect(1003, (std::uint64_t{1499} << 16) + 1);
  const int compressed = f.Dir(root, "compressed");
  std::uint32_t attributes = 0;
  f.Check(fgetxattr(compressed, "system.ntfs_attrib", &attributes, 4) == 4,
          "attrib");
  attributes |= 0x800;
  f.Check(fsetxattr(compressed, "system.ntfs_attrib", &attributes, 4, 0) == 0,
          "compress");
  f.File(compressed, "c", 300000, 1004);
  expect(1004, 300000);
  close(compressed);
  // The unnamed stream counts; the named one does not.
  f.File(root, "streams", 100, 1001);
  const int stream =
      openat(root, "streams:extra", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  f.Check(stream >= 0 &&
              write(stream, std::string(5000, 's').data(), 5000) == 5000 &&
              close(stream) == 0,
          "stream");
  expect(1001, 100);
  const std::string link = Reparse(0xA000000C, u"target.txt");
  f.File(root, "symlink", 0, 1002, false, [&](int fd) {
    f.Check(fsetxattr(fd, "system.ntfs_reparse_data", link.data(), link.size(),
                      0) == 0,
            "symlink");
  });
  expect(1002, 0, EntryKind::kLink);
  const int junction = f.Dir(root, "junction");
  const std::string mount = Reparse(0xA0000003, u"\\??\\C:\\Windows");
  f.Check(fsetxattr(junction, "system.ntfs_reparse_data", mount.data(),
                    mount.size(), 0) == 0,
          "junction");
  close(junction);
  // Fill the volume, free every other file, add small files (the table
  // grows into the holes), then free the rest.
  const int fill = f.Dir(root, "fill");
  const int small = f.Dir(root, "small");
  int filled = 0;
  for (;; ++filled) {
    const std::string name = std::to_string(filled);
    const int fd = openat(fill, name.c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    errno = 0;
    const ssize_t written =
        fd >= 0 ? write(fd, std::string(65536, 'z').data(), 65536) : -1;
    const bool full = written != 65536 && (written >= 0 || errno == ENOSPC);
    if (fd >= 0) close(fd);
    if (written != 65536) {
      f.Check(full, "fill");  // a short write, or no space: full
      unlinkat(fill, name.c_str(), 0);
      break;
    }
  }
  for (int i = 0; i < filled; i += 2)
    f.Check(unlinkat(fill, std::to_string(i).c_str(), 0) == 0, "unlink");
  for (unsigned i = 0; i < 2000; ++i) {
    f.File(small, "s" + std::to_string(i), 20, kUids[i % 4]);
    expect(kUids[i % 4], 20);
  }
  for (int i = 1; i < filled; i += 2)
    f.Check(unlinkat(fill, std::to_string(i).c_str(), 0) == 0, "unlink");
  close(fill);
  close(small);
  return f.ok() && filled > 100;
}

// A byte source over the image that patches what it reads and counts
// reads a raw Windows volume would refuse.
class PatchedImage : public ntfs::ByteSource {
 public:
  PatchedImage(std::unique_ptr<ntfs::ImageFile> image,
               std::map<std::uint64_t, std::string> patches,
               std::atomic<int>* misaligned)
      : image_(std::move(image)),
        patches_(std::move(patches)),
        misaligned_(misaligned) {}
  std::uint32_t SectorSize() const override { return image_->SectorSize(); }
  Status ReadAt(std::uint64_t offset, std::size_t length,
                std::uint8_t* buffer) override {
    const Status read = image_->ReadAt(offset, length, buffer);
    if (read.code() == StatusCode::kUnsupported) ++*misaligned_;
    for (const auto& [at, bytes] : patches_) {
      for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (at + i >= offset && at + i < offset + length)
          buffer[at + i - offset] = static_cast<std::uint8_t>(bytes[i]);
      }
    }
    return read;
  }

 private:
  std::unique_ptr<ntfs::ImageFile> image_;
  std::map<std::uint64_t, std::string> patches_;
  std::atomic<int>* misaligned_;
};

struct Reading {
  std::unique_ptr<MasterFileTable> table;
  TableRefusal refusal = TableRefusal::kNone;
  std::map<std::uint64_t, Entry> entries;  // by record
  bool in_order = true;  // each part's records grow, parts follow each other
  int misaligned = 0;
};

// Reads every part, three threads taking parts in turn, through small
// chunks and parts so that a small table has many.
Reading Read(const std::string& image, std::uint32_t sector,
             std::map<std::uint64_t, std::string> patches = {}) {
  Reading r;
  std::unique_ptr<ntfs::ImageFile> file;
  if (!ntfs::ImageFile::Open(image, sector, &file).ok()) return r;
  std::atomic<int> misaligned{0};
  std::string reason;
  r.table = MasterFileTable::Open(
      std::make_unique<PatchedImage>(std::move(file), std::move(patches),
                                     &misaligned),
      {16384, 3}, &r.refusal, &reason);
  if (r.table) {
    struct Sink : TableSink {
      std::mutex* mutex;
      Reading* r;
      std::uint64_t last = 0, first = UINT64_MAX;
      void Add(const Entry& e) override {
        std::lock_guard<std::mutex> lock(*mutex);
        r->in_order = r->in_order && (first == UINT64_MAX || e.inode > last) &&
                      r->entries.emplace(e.inode, e).second;
        first = std::min(first, e.inode);
        last = e.inode;
      }
    };
    std::mutex mutex;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> spans(
        r.table->PartCount(), {UINT64_MAX, 0});
    std::atomic<unsigned> next{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
      threads.emplace_back([&] {
        for (unsigned part; (part = next++) < r.table->PartCount();) {
          Sink sink;
          sink.mutex = &mutex;
          sink.r = &r;
          if (!r.table->ReadPart(part, sink).ok()) r.in_order = false;
          spans[part] = {sink.first, sink.last};
        }
      });
    }
    for (std::thread& t : threads) t.join();
    std::uint64_t previous = 0;
    for (const auto& [first, last] : spans) {
      if (first == UINT64_MAX) continue;
      r.in_order = r.in_order && first > previous;
      previous = last;
    }
  }
  r.misaligned = misaligned;
  return r;
}

class NtfsImageTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (geteuid() != 0) {
      skip_ =
          "making NTFS images needs root (a FUSE mount in a mount namespace)";
    } else if (access("/dev/fuse", R_OK | W_OK) != 0) {
      skip_ = "no /dev/fuse here: ntfs-3g cannot mount";
    } else if (Tool("mkntfs").empty() || Tool("ntfs-3g").empty()) {
      skip_ = "mkntfs or ntfs-3g is missing (Debian package ntfs-3g)";
    }
    if (!skip_.empty()) return;
    tree_ = new TempTree();
    image_ = tree_->Path("volume.img");
    made_from_ = std::time(nullptr);
    error_ = Make();
    made_until_ = std::time(nullptr);
  }
  static void TearDownTestSuite() { delete tree_; }
  void SetUp() override {
    if (!skip_.empty()) GTEST_SKIP() << skip_;
    ASSERT_EQ(error_, "");
  }

  static std::string Make() {
    const std::string log = tree_->Path("tools.log");
    const int fd =
        open(image_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 || ftruncate(fd, 64 << 20) != 0 || close(fd) != 0)
      return "cannot make " + image_;
    // ntfs-3g wants a group mapped too, else it ignores the file.
    std::ofstream(tree_->Path("UserMapping"))
        << "1001::S-1-5-21-1111-2222-3333-1001\n"
        << "1002::S-1-5-21-1111-2222-3333-1002\n1003::S-1-5-21-1111-2222-3333-"
           "1003\n"
        << "1004::S-1-5-21-1111-2222-3333-1004\n:1001:S-1-5-21-1111-2222-3333-"
           "2001\n";
    tree_->Dir("mnt");
    if (!Exited0(Spawn({Tool("mkntfs"), "-F", "-f", "-q", image_}, log)))
      return "mkntfs failed: see " + log;
    int channel[2];
    if (pipe(channel) != 0) return "pipe";
    const pid_t child = fork();
    if (child == 0) {
      // A mount namespace of its own: the mount is never seen outside,
      // and goes with the child.
      close(channel[0]);
      const std::string mnt = tree_->Path("mnt");
      bool ok = unshare(CLONE_NEWNS) == 0 &&
                mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
      const pid_t driver = ok ? Spawn({Tool("ntfs-3g"), "-o",
                                       "permissions,streams_interface=windows,"
                                       "no_detach,usermapping=" +
                                           tree_->Path("UserMapping"),
                                       image_, mnt},
                                      log)
                              : -1;
      struct stat below = {}, above = {};
      for (int i = 0; driver > 0 && i < 200; ++i) {  // 10 s for the mount
        if (stat(mnt.c_str(), &below) == 0 &&
            stat(tree_->root().c_str(), &above) == 0 &&
            below.st_dev != above.st_dev)
          break;
        usleep(50000);
      }
      const int root = open(mnt.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      std::string expected;
      ok = ok && driver > 0 && root >= 0 && below.st_dev != above.st_dev &&
           Populate(root, &expected);
      if (root >= 0) close(root);
      ok = driver > 0 && umount2(mnt.c_str(), 0) == 0 && Exited0(driver) && ok;
      ok = ok && write(channel[1], expected.data(), expected.size()) ==
                     static_cast<ssize_t>(expected.size());
      _exit(ok ? 0 : 1);
    }
    close(channel[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = read(channel[0], buffer, sizeof buffer)) > 0;)
      text.append(buffer, static_cast<std::size_t>(got));
    close(channel[0]);
    if (child < 0 || !Exited0(child))
      return "mounting or filling the image failed: see " + log;
    std::istringstream lines(text);
    std::uint32_t uid, kind, names;
    std::uint64_t size;
    while (lines >> uid >> size >> kind >> names) {
      expected_.insert({Sid(uid), size, static_cast<EntryKind>(kind), names});
    }
    return expected_.size() > 2000 ? ""
                                   : "the image's contents did not come back";
  }

  static std::multiset<Fact> Facts(const Reading& r) {
    std::multiset<Fact> facts;
    for (const auto& [record, e] : r.entries) {
      facts.insert({e.owner_status == OwnerStatus::kKnown ? e.owner_key : "?",
                    e.size, e.kind, e.links});
    }
    return facts;
  }

  // What one side holds and the other does not, a few of each.
  static std::string Difference(const std::multiset<Fact>& counted,
                                const std::multiset<Fact>& made) {
    std::string text;
    for (const auto* side : {&counted, &made}) {
      std::vector<Fact> only;
      std::set_difference(
          side->begin(), side->end(), (side == &made ? counted : made).begin(),
          (side == &made ? counted : made).end(), std::back_inserter(only));
      for (std::size_t i = 0; i < only.size() && i < 5; ++i) {
        const auto& [sid, size, kind, names] = only[i];
        text += std::string(side == &made ? "made only" : "counted only") +
                ": owner ..." +
                std::to_string(sid.size() < 12
                                   ? 0
                                   : Le32(reinterpret_cast<const std::uint8_t*>(
                                         sid.data() + sid.size() - 4))) +
                " size " + std::to_string(size) + " kind " +
                std::to_string(static_cast<int>(kind)) + " names " +
                std::to_string(names) + "\n";
      }
    }
    return text;
  }

  static inline std::string skip_, error_, image_;
  static inline std::time_t made_from_ = 0, made_until_ = 0;
  static inline TempTree* tree_ = nullptr;
  static inline std::multiset<Fact> expected_;
};

TEST_F(NtfsImageTest, CountsEveryFileAsTheImageWasMade) {
  for (const std::uint32_t sector : {512u, 4096u}) {
    const Reading r = Read(image_, sector);
    ASSERT_NE(r.table, nullptr) << sector;
    EXPECT_EQ(r.misaligned, 0) << sector;
    EXPECT_TRUE(r.in_order) << sector;
    EXPECT_GT(r.table->PartCount(), 10u);
    EXPECT_GT(r.table->table_run_count(), 1u)
        << "the table was not made fragmented";
    // Every file was written while the image was made.
    for (const auto& [record, e] : r.entries) {
      EXPECT_TRUE(e.modified >= made_from_ - 1 && e.modified <= made_until_ &&
                  e.accessed >= made_from_ - 1 && e.accessed <= made_until_)
          << "record " << record << " modified " << e.modified;
    }
    EXPECT_EQ(Difference(Facts(r), expected_), "")
        << "counted " << r.entries.size() << ", made " << expected_.size();
  }
}

// Reads record |number| of the image, with its fix-ups applied.
std::string Record(const std::string& image, const MasterFileTable& table,
                   std::uint64_t number, std::uint64_t* at) {
  std::string bytes(table.geometry().record_size, '\0');
  std::ifstream in(image, std::ios::binary);
  EXPECT_TRUE(table.RecordOffset(number, at));
  in.seekg(static_cast<std::streamoff>(*at));
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  EXPECT_TRUE(ntfs::ApplyFixups(reinterpret_cast<std::uint8_t*>(bytes.data()),
                                bytes.size()));
  return bytes;
}

// Puts a record's update sequence back, as the disk holds it.
std::string Protect(std::string record) {
  auto* r = reinterpret_cast<std::uint8_t*>(record.data());
  const std::size_t array = Le16(r + 4);
  for (std::size_t i = 1; i < Le16(r + 6); ++i) {
    std::memcpy(r + array + 2 * i, r + i * 512 - 2, 2);
    std::memcpy(r + i * 512 - 2, r + array, 2);
  }
  return record;
}

// The offset in |record| of its first attribute of |type|.
std::size_t AttributeAt(const std::string& record, std::uint32_t type) {
  const auto* r = reinterpret_cast<const std::uint8_t*>(record.data());
  for (std::size_t at = Le16(r + 20);
       at + 8 <= record.size() && Le32(r + at) != 0xFFFFFFFF;
       at += Le32(r + at + 4)) {
    if (Le32(r + at) == type) return at;
    if (Le32(r + at + 4) == 0) break;
  }
  ADD_FAILURE() << "no attribute " << type;
  return 0;
}

TEST_F(NtfsImageTest,
       DamagedRecordsAreUnreadableEntriesAndDamagedTablesAreRefused) {
  const Reading clean = Read(image_, 512);
  ASSERT_NE(clean.table, nullptr);
  std::uint64_t sparse = 0, linked = 0;
  for (const auto& [record, e] : clean.entries) {
    if (e.size == (std::uint64_t{50} << 20) + 1) sparse = record;
    if (e.links == 41) linked = record;
  }
  ASSERT_TRUE(sparse != 0 && linked != 0);
  const std::string owner = Sid(4242);
  using Patches = std::map<std::uint64_t, std::string>;
  auto at = [](const std::string& r, std::size_t offset) {
    return reinterpret_cast<const std::uint8_t*>(&r[offset]);
  };
  const struct Case {
    const char* what;
    std::uint64_t record;
    // The record with its fix-ups applied and where it lies: the bytes
    // to write over the image.
    std::function<Patches(std::string, std::uint64_t)> damage;
    TableRefusal refusal;
    const std::string* owner;  // the damaged record's owner, else unreadable
  } cases[] = {
      {"torn write", sparse,
       [](std::string r, std::uint64_t where) {
         r = Protect(r);
         r[510] ^= 1;
         return Patches{{where, r}};
       },
       TableRefusal::kNone, nullptr},
      {"attribute past the record", sparse,
       [](std::string r, std::uint64_t where) {
         ntfs::PutLe16(
             reinterpret_cast<std::uint8_t*>(&r[AttributeAt(r, 0x10) + 4]),
             0x7FF8);
         return Patches{{where, Protect(r)}};
       },
       TableRefusal::kNone, nullptr},
      {"attribute list outside the volume", linked,
       [&](std::string r, std::uint64_t where) {
         const std::size_t list = AttributeAt(r, 0x20);
         EXPECT_EQ(r[list + 8], 1) << "the attribute list is resident";
         const std::size_t runs = list + Le16(at(r, list + 32));
         const std::uint64_t clusters = ntfs::Le64(at(r, list + 24)) + 1;
         r.replace(runs, 6,
                   std::string{0x31, static_cast<char>(clusters), '\xFF',
                               '\xFF', '\x7F', 0});
         return Patches{{where, Protect(r)}};
       },
       TableRefusal::kNone, nullptr},
      {"its own descriptor and no security id, as on old volumes", sparse,
       [&](std::string r, std::uint64_t where) {
         const std::size_t information = AttributeAt(r, 0x10);
         r.replace(information + Le16(at(r, information + 20)) + 52, 4,
                   std::string(4, '\0'));
         const std::string descriptor =
             std::string{1, 0, 0, '\x80', 20, 0, 0, 0} + std::string(12, '\0') +
             owner;
         std::string attribute =
             std::string{0x50, 0, 0, 0, 72} + std::string(11, '\0') +
             std::string{static_cast<char>(descriptor.size()), 0, 0, 0, 24} +
             std::string(3, '\0') + descriptor;
         const std::size_t end = Le32(at(r, 24)) - 8;  // the end mark
         r.replace(end, attribute.size(), attribute);
         r.replace(end + attribute.size(), 4, "\xFF\xFF\xFF\xFF");
         const auto used =
             static_cast<std::uint32_t>(end + attribute.size() + 8);
         std::memcpy(&r[24], &used, 4);
         return Patches{{where, Protect(r)}};
       },
       TableRefusal::kNone, &owner},
      {"a volume that ends inside the table", 0,
       [&](std::string r, std::uint64_t) {
         const std::size_t data = AttributeAt(r, 0x80);
         const std::size_t runs = data + Le16(at(r, data + 32));
         std::vector<ntfs::Run> decoded;
         EXPECT_TRUE(ntfs::DecodeRunList(
             at(r, runs), Le32(at(r, data + 4)) - (runs - data), 0, &decoded));
         std::uint64_t end = 0;
         for (const ntfs::Run& run : decoded)
           end =
               std::max(end, static_cast<std::uint64_t>(run.lcn) + run.length);
         const std::uint64_t sectors =
             (end - 1) * (clean.table->geometry().cluster_size / 512);
         std::string field(8, '\0');
         for (int i = 0; i < 8; ++i)
           field[i] = static_cast<char>(sectors >> (8 * i));
         return Patches{{0x28, field}};
       },
       TableRefusal::kUnreadable, nullptr},
      {"a table's bitmap with a hole", 0,
       [&](std::string r, std::uint64_t where) {
         const std::size_t bitmap = AttributeAt(r, 0xB0);
         EXPECT_EQ(r[bitmap + 8], 1) << "the bitmap is resident";
         const std::size_t runs = bitmap + Le16(at(r, bitmap + 32));
         const std::uint64_t clusters = ntfs::Le64(at(r, bitmap + 24)) + 1;
         r.replace(runs, 3, std::string{1, static_cast<char>(clusters), 0});
         return Patches{{where, Protect(r)}};
       },
       TableRefusal::kUnreadable, nullptr},
  };
  for (const Case& c : cases) {
    std::uint64_t where = 0;
    const std::string bytes = Record(image_, *clean.table, c.record, &where);
    const Reading r = Read(image_, 512, c.damage(bytes, where));
    EXPECT_EQ(r.refusal, c.refusal) << c.what;
    if (c.refusal != TableRefusal::kNone) continue;
    ASSERT_NE(r.table, nullptr) << c.what;
    EXPECT_EQ(r.misaligned, 0);
    // Only the damaged file changes.
    ASSERT_EQ(r.entries.size(), clean.entries.size()) << c.what;
    for (const auto& [record, e] : r.entries) {
      const Entry& was = clean.entries.at(record);
      if (record != c.record) {
        EXPECT_TRUE(e.owner_key == was.owner_key && e.size == was.size)
            << c.what << ": record " << record;
      } else if (c.owner != nullptr) {
        EXPECT_EQ(e.owner_key, *c.owner) << c.what;
        EXPECT_EQ(e.size, was.size) << c.what;
      } else {
        EXPECT_EQ(e.owner_status, OwnerStatus::kUnreadable) << c.what;
        EXPECT_EQ(e.size, 0u) << c.what;
      }
    }
  }
  // Not NTFS at all.
  EXPECT_EQ(Read(image_, 512, {{3, "EXT4    "}}).refusal,
            TableRefusal::kNoTable);
}

}  // namespace
}  // namespace ovik
