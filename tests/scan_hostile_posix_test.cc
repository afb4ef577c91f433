// The scan on real trees that fight back: names no text routine expects,
// and a tree that changes while several threads walk it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <chrono>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/owner_lookup.h"
#include "scan/scan.h"

namespace ovik {
namespace {

class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/ovik-hostile-XXXXXX";
    const char* made = mkdtemp(tmpl);
    if (made != nullptr) root_ = made;
  }
  ~TempDir() {
    if (root_.empty()) return;
    const std::string cmd = "rm -rf '" + root_ + "'";
    if (std::system(cmd.c_str()) != 0) ADD_FAILURE() << "cleanup of " << root_;
  }
  const std::string& root() const { return root_; }
  std::string Path(const std::string& rel) const { return root_ + "/" + rel; }

 private:
  std::string root_;
};

// Writes |size| bytes to a new file; false when it cannot be made.
bool MakeFile(const std::string& path, std::size_t size) {
  const int fd = open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const std::string bytes(size, 'x');
  const bool ok = write(fd, bytes.data(), size) == static_cast<ssize_t>(size);
  close(fd);
  return ok;
}

TEST(ScanHostileNamesTest, EveryNameIsCountedWhateverItsBytes) {
  TempDir t;
  ASSERT_FALSE(t.root().empty());
  std::string cjk_255;
  while (cjk_255.size() + 3 <= 255) cjk_255 += "漢";  // 85 characters
  ASSERT_EQ(cjk_255.size(), 255u);
  const std::vector<std::string> dirs = {"bad\xff\xfe" "dir", "new\nline dir",
                                         "データ", std::string(255, 'D')};
  const std::vector<std::string> names = {
      "bad\xff\xfe",        "\xc0\xaf",        "new\nline",
      "cr\rlf\r\n",         "ctl\x01\x1b[2J",  "tab\tdel\x7f",
      std::string(255, 'n'), cjk_255,          "ファイル名.txt",
      "-leading-dash",      " leading blank",  "trailing blank ",
      "\\back\\slash",      "*?[glob]",        "\xe2\x80\xae" "rtl"};
  std::uint64_t files = 0, bytes = 0, size = 1;
  for (const std::string& dir : dirs) {
    ASSERT_EQ(mkdir(t.Path(dir).c_str(), 0755), 0) << dir;
    for (const std::string& name : names) {
      ASSERT_TRUE(MakeFile(t.Path(dir + "/" + name), size)) << name;
      ++files;
      bytes += size++;
    }
  }
  for (const std::string& name : names) {
    ASSERT_TRUE(MakeFile(t.Path(name), size)) << name;
    ++files;
    bytes += size++;
  }
  auto fs = MakeSystemFileSystem();
  for (unsigned threads : {1u, 3u}) {
    ScanResult r = RunScan(*fs, t.root(), {.threads = threads});
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.stats.files, files);
    EXPECT_EQ(r.stats.bytes, bytes);
    EXPECT_EQ(r.stats.directories, 1 + dirs.size());
    EXPECT_EQ(r.stats.skipped_directories, 0u);
    EXPECT_EQ(r.stats.vanished_entries, 0u);
  }
}

// A tree that a second thread keeps changing while scans run on it.
// Every file it ever creates is added to a budget first, so a scan that
// counts anything twice, or follows a link out of the tree, exceeds it.
class ChurningTree {
 public:
  static constexpr int kTop = 6;     // top directories
  static constexpr int kFlips = 12;  // directories turned into links and back
  static constexpr std::uint64_t kOutsideSize = 1ull << 30;  // sparse

  explicit ChurningTree(const TempDir& t)
      : tree_(t.Path("tree")), outside_(t.Path("outside")) {}

  // Builds the tree and a directory outside it, whose one file is huge
  // and (as root) has an owner found nowhere else.
  bool Build(uid_t outside_owner) {
    if (mkdir(tree_.c_str(), 0755) != 0 || mkdir(outside_.c_str(), 0755) != 0) {
      return false;
    }
    const std::string big = outside_ + "/huge";
    const int fd = open(big.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool sized = ftruncate(fd, static_cast<off_t>(kOutsideSize)) == 0 &&
                       (outside_owner == 0 || fchown(fd, outside_owner, 0) == 0);
    close(fd);
    if (!sized) return false;
    for (int i = 0; i < kTop; ++i) {
      const std::string top = tree_ + "/t" + std::to_string(i);
      if (mkdir(top.c_str(), 0755) != 0) return false;
      for (int j = 0; j < 6; ++j) {
        const std::string sub = top + "/s" + std::to_string(j);
        if (mkdir(sub.c_str(), 0755) != 0 || !Files(sub, 8)) return false;
        stable_.push_back(sub);
      }
      if (!Files(top, 5)) return false;
      stable_.push_back(top);
    }
    for (int f = 0; f < kFlips; ++f) {
      // Beside the subdirectories of the root and of the top ones, so
      // they wait in a listing while their siblings are walked.
      const std::string flip =
          (f % 2 == 0 ? tree_ : tree_ + "/t" + std::to_string(f / 2 % kTop)) +
          "/flip" + std::to_string(f);
      if (!MakeDirectoryWithFiles(flip)) return false;
      flips_.push_back(flip);
    }
    // A link out of the tree from the start.
    const std::string planted = tree_ + "/t0/to-outside";
    budget_bytes_ += outside_.size();
    budget_files_ += 1;
    return symlink(outside_.c_str(), planted.c_str()) == 0;
  }

  // Mutates the tree until |stop| is set.
  void Churn(const std::atomic<bool>& stop, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::string> made_files;
    std::vector<std::string> made_dirs;
    std::vector<bool> is_link(flips_.size(), false);
    unsigned serial = 0;
    while (!stop.load()) {
      const std::string here = stable_[random() % stable_.size()];
      switch (random() % 9) {
        case 0:
        case 1: {  // a new file
          const std::string path = here + "/new" + std::to_string(serial++);
          if (AddFile(path, 1 + random() % 200)) {
            made_files.push_back(path);
          }
          break;
        }
        case 2:  // a file goes
          if (!made_files.empty()) {
            const std::size_t k = random() % made_files.size();
            unlink(made_files[k].c_str());
            made_files.erase(made_files.begin() + static_cast<std::ptrdiff_t>(k));
          }
          break;
        case 3: {  // a new directory with files
          const std::string path = here + "/dir" + std::to_string(serial++);
          if (MakeDirectoryWithFiles(path)) made_dirs.push_back(path);
          break;
        }
        case 4:  // a directory goes, files first
          if (!made_dirs.empty()) {
            const std::size_t k = random() % made_dirs.size();
            RemoveDirectoryWithFiles(made_dirs[k]);
            made_dirs.erase(made_dirs.begin() + static_cast<std::ptrdiff_t>(k));
          }
          break;
        default: {  // a directory becomes a link out of the tree, or back
          const std::size_t k = random() % flips_.size();
          if (!is_link[k]) {
            RemoveDirectoryWithFiles(flips_[k]);
            budget_bytes_ += outside_.size();
            budget_files_ += 1;
            is_link[k] = symlink(outside_.c_str(), flips_[k].c_str()) == 0;
          } else {
            unlink(flips_[k].c_str());
            is_link[k] = !MakeDirectoryWithFiles(flips_[k]);
          }
          break;
        }
      }
    }
  }

  const std::string& tree() const { return tree_; }
  std::uint64_t budget_bytes() const { return budget_bytes_.load(); }
  std::uint64_t budget_files() const { return budget_files_.load(); }

 private:
  static constexpr int kFilesPerNewDirectory = 4;

  // Budgets and creates a file of |size| bytes.
  bool AddFile(const std::string& path, std::uint64_t size) {
    budget_bytes_ += size;
    budget_files_ += 1;
    return MakeFile(path, size);
  }
  // |count| files of 1 to 100 bytes in |dir|.
  bool Files(const std::string& dir, int count) {
    for (int k = 0; k < count; ++k) {
      if (!AddFile(dir + "/f" + std::to_string(k), static_cast<std::uint64_t>(1 + (k * 37) % 100))) {
        return false;
      }
    }
    return true;
  }
  bool MakeDirectoryWithFiles(const std::string& path) {
    return mkdir(path.c_str(), 0755) == 0 && Files(path, kFilesPerNewDirectory);
  }
  static void RemoveDirectoryWithFiles(const std::string& path) {
    for (int k = 0; k < kFilesPerNewDirectory; ++k) {
      unlink((path + "/f" + std::to_string(k)).c_str());
    }
    rmdir(path.c_str());
  }

  std::string tree_;
  std::string outside_;
  std::vector<std::string> stable_;
  std::vector<std::string> flips_;
  std::atomic<std::uint64_t> budget_bytes_{0};
  std::atomic<std::uint64_t> budget_files_{0};
};

// The narrow case the stress test below can only hit by chance: a
// directory listed as one and replaced by a link before it is opened.
TEST(ScanChurnTest, DirectoryReplacedByALinkAfterListingIsNotEntered) {
  TempDir t;
  ASSERT_FALSE(t.root().empty());
  ASSERT_EQ(mkdir(t.Path("tree").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(t.Path("tree/d").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(t.Path("outside").c_str(), 0755), 0);
  ASSERT_TRUE(MakeFile(t.Path("outside/secret"), 1000));
  auto fs = MakeSystemFileSystem();
  std::unique_ptr<Directory> root;
  ASSERT_TRUE(fs->OpenRoot(t.Path("tree"), &root).ok());
  Entry entry;
  ASSERT_TRUE(root->Next(&entry).ok());
  ASSERT_EQ(entry.name, "d");
  ASSERT_EQ(entry.kind, EntryKind::kDirectory);
  ASSERT_EQ(rmdir(t.Path("tree/d").c_str()), 0);
  ASSERT_EQ(symlink(t.Path("outside").c_str(), t.Path("tree/d").c_str()), 0);
  std::unique_ptr<Directory> d;
  EXPECT_EQ(root->OpenSubdirectory("d", &d).code(), StatusCode::kNotDirectory);
  EXPECT_EQ(d, nullptr);
}

TEST(ScanChurnTest, TreeChangingUnderSeveralThreadsIsWalkedSafely) {
  TempDir t;
  ASSERT_FALSE(t.root().empty());
  constexpr uid_t kOutsideOwner = 3999123;  // no account, no file in the tree
  const bool as_root = geteuid() == 0;
  ChurningTree tree(t);
  ASSERT_TRUE(tree.Build(as_root ? kOutsideOwner : 0));

  std::atomic<bool> stop{false};
  std::thread churn([&] { tree.Churn(stop, 20261207); });
  auto fs = MakeSystemFileSystem();
  // A fixed number of scans, cut short if they are slow (sanitizers).
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  int scans = 0;
  std::uint64_t vanished = 0, skipped = 0;
  for (; scans < 40 && std::chrono::steady_clock::now() < deadline; ++scans) {
    ScanResult r = RunScan(*fs, tree.tree(),
                           {.threads = 4u, .max_open_directories = 3});
    ASSERT_TRUE(r.ok()) << "scan " << scans;
    // Read after the scan: the budget only grows.
    EXPECT_LE(r.stats.bytes, tree.budget_bytes()) << "scan " << scans;
    EXPECT_LE(r.stats.files, tree.budget_files()) << "scan " << scans;
    EXPECT_FALSE(FindByName(r.table, std::to_string(kOutsideOwner)).has_value())
        << "a link out of the tree was followed in scan " << scans;
    std::uint64_t ranked = 0;
    for (const RankedOwner& owner : r.ranking) ranked += owner.bytes;
    EXPECT_EQ(ranked, r.stats.bytes);
    vanished += r.stats.vanished_entries;
    skipped += r.stats.skipped_directories;
  }
  stop = true;
  churn.join();
  EXPECT_GE(scans, 1);
  RecordProperty("scans", scans);
  RecordProperty("vanished_entries", static_cast<int>(vanished));
  RecordProperty("skipped_directories", static_cast<int>(skipped));

  // Once still, a scan counts exactly what is there.
  ScanResult still = RunScan(*fs, tree.tree(), {.threads = 4u});
  ASSERT_TRUE(still.ok());
  EXPECT_EQ(still.stats.vanished_entries, 0u);
  EXPECT_EQ(still.stats.skipped_directories, 0u);
  std::uint64_t files = 0, bytes = 0;
  for (const auto& e : std::filesystem::recursive_directory_iterator(tree.tree())) {
    if (e.is_directory() && !e.is_symlink()) continue;
    struct stat st;
    ASSERT_EQ(lstat(e.path().c_str(), &st), 0);
    ++files;
    bytes += static_cast<std::uint64_t>(st.st_size);
  }
  EXPECT_EQ(still.stats.files, files);
  EXPECT_EQ(still.stats.bytes, bytes);
}

}  // namespace
}  // namespace ovik
